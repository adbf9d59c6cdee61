# The viewer widget: its geometry as a core library that tests call directly, and the control itself
# with its font, colours and caret.
hy_core_library(hy_viewer_layout
  ${CMAKE_CURRENT_LIST_DIR}/HvLayout.cpp
  ${CMAKE_CURRENT_LIST_DIR}/HvLayout.h
)
target_link_libraries(hy_viewer_layout PUBLIC hy_platform)
target_link_libraries(hycore INTERFACE hy_viewer_layout)

hy_ui_library(hy_viewer_ui
  ${CMAKE_CURRENT_LIST_DIR}/HvViewr.h
  ${CMAKE_CURRENT_LIST_DIR}/HvViewr.cpp
  ${CMAKE_CURRENT_LIST_DIR}/HvViewrSel.cpp
  ${CMAKE_CURRENT_LIST_DIR}/HvViewrFile.cpp
  ${CMAKE_CURRENT_LIST_DIR}/HvFxFnt.h
  ${CMAKE_CURRENT_LIST_DIR}/HvFxFnt.cpp
  ${CMAKE_CURRENT_LIST_DIR}/HvColor.h
  ${CMAKE_CURRENT_LIST_DIR}/HvColor.cpp
  ${CMAKE_CURRENT_LIST_DIR}/HvCaret.h
  ${CMAKE_CURRENT_LIST_DIR}/HvCaret.cpp
)
target_link_libraries(hy_viewer_ui PUBLIC hy_base hy_viewer_layout hy_viewer_model hy_viewer_cmd Qt6::Widgets)
target_link_libraries(hyui INTERFACE hy_viewer_ui)
