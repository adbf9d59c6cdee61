hy_add_test(test_platform
  SOURCES ${CMAKE_CURRENT_LIST_DIR}/PlatformErrorsTest.cpp
  LIBS hy_platform)
