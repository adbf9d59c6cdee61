hy_add_test(test_app_launch
  SOURCES ${CMAKE_CURRENT_LIST_DIR}/LaunchTest.cpp ${CMAKE_CURRENT_LIST_DIR}/InfoDialogTest.cpp
          ${CMAKE_CURRENT_LIST_DIR}/ClipViewTest.cpp
  LIBS hy_app_launch)
