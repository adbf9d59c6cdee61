hy_add_test(test_platform
  SOURCES ${CMAKE_CURRENT_LIST_DIR}/PlatformErrorsTest.cpp ${CMAKE_CURRENT_LIST_DIR}/DesktopTest.cpp
          ${CMAKE_CURRENT_LIST_DIR}/FileNamesTest.cpp ${CMAKE_CURRENT_LIST_DIR}/ProfileFileTest.cpp
          ${CMAKE_CURRENT_LIST_DIR}/PlatformFilesTest.cpp
  LIBS hy_platform)
