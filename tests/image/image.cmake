# The imaging boundary with its decoders, and the picture control.
hy_add_test(test_image_core
  SOURCES ${CMAKE_CURRENT_LIST_DIR}/ImageDecodersTest.cpp
  LIBS hy_image_core)
hy_add_test(test_image_ui
  SOURCES ${CMAKE_CURRENT_LIST_DIR}/MultiImgTest.cpp
  LIBS hy_image_ui)
