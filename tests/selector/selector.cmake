hy_add_test(test_selector_ui
  SOURCES ${CMAKE_CURRENT_LIST_DIR}/DirselTest.cpp
  LIBS hy_selector_ui)
