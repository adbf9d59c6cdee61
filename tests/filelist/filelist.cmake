hy_add_test(test_filelist_core
  SOURCES ${CMAKE_CURRENT_LIST_DIR}/ExtStrListTest.cpp
  LIBS hy_filelist_core)

hy_add_test(test_filelist_ui
  SOURCES ${CMAKE_CURRENT_LIST_DIR}/FileIconsTest.cpp
  LIBS hy_filelist_ui)
