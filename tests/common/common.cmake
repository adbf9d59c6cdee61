hy_add_test(test_common_core
  SOURCES ${CMAKE_CURRENT_LIST_DIR}/ErrorTextTest.cpp
          ${CMAKE_CURRENT_LIST_DIR}/HyUtilsTest.cpp
          ${CMAKE_CURRENT_LIST_DIR}/DialogGeometryTest.cpp
  LIBS hy_common_core)

hy_add_test(test_common_ui
  SOURCES ${CMAKE_CURRENT_LIST_DIR}/DialogsTest.cpp
          ${CMAKE_CURRENT_LIST_DIR}/ControlsTest.cpp
  LIBS hy_common_ui)
