hy_add_test(test_viewer_layout
  SOURCES ${CMAKE_CURRENT_LIST_DIR}/HvLayoutTest.cpp
  LIBS hy_viewer_layout)

hy_add_test(test_viewer_display
  SOURCES
    ${CMAKE_CURRENT_LIST_DIR}/HvViewrTestSupport.h
    ${CMAKE_CURRENT_LIST_DIR}/HvViewrTest.cpp
  LIBS hy_viewer_ui)

hy_add_test(test_viewer_selection
  SOURCES
    ${CMAKE_CURRENT_LIST_DIR}/HvViewrTestSupport.h
    ${CMAKE_CURRENT_LIST_DIR}/HvViewrSelTest.cpp
  LIBS hy_viewer_ui)

hy_add_test(test_viewer_file
  SOURCES ${CMAKE_CURRENT_LIST_DIR}/HvViewrFileTest.cpp
  LIBS hy_viewer_ui)
