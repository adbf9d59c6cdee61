hy_add_test(test_viewer_model
  SOURCES
    ${CMAKE_CURRENT_LIST_DIR}/HvFileModelTest.cpp
    ${CMAKE_CURRENT_LIST_DIR}/HvFileModelSearchTest.cpp
    ${CMAKE_CURRENT_LIST_DIR}/HvModelScanTest.cpp
  LIBS hy_viewer_model)
