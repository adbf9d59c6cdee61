hy_add_test(test_platform_dirs
  SOURCES ${CMAKE_CURRENT_LIST_DIR}/PlatformDirsTest.cpp
  LIBS hy_platform)
