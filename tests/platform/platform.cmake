hy_add_test(test_platform
  SOURCES ${CMAKE_CURRENT_LIST_DIR}/PlatformErrorsTest.cpp ${CMAKE_CURRENT_LIST_DIR}/DesktopTest.cpp
  LIBS hy_platform)
