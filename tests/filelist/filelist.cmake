hy_add_test(test_filelist_core
  SOURCES ${CMAKE_CURRENT_LIST_DIR}/ExtStrListTest.cpp
          ${CMAKE_CURRENT_LIST_DIR}/FileEntryTest.cpp
          ${CMAKE_CURRENT_LIST_DIR}/FileListEngineTest.cpp
          ${CMAKE_CURRENT_LIST_DIR}/FileListGeometryTest.cpp
  LIBS hy_filelist_core)

hy_add_test(test_filelist_ui
  SOURCES ${CMAKE_CURRENT_LIST_DIR}/FileIconsTest.cpp
          ${CMAKE_CURRENT_LIST_DIR}/FileListTest.cpp
  LIBS hy_filelist_ui)
