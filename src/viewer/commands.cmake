# Key-to-command tables, the Qt key mapping and the controller that owns the tables.
hy_core_library(hy_viewer_cmd
  ${CMAKE_CURRENT_LIST_DIR}/HvCmd.cpp
  ${CMAKE_CURRENT_LIST_DIR}/HvBase.cpp
  ${CMAKE_CURRENT_LIST_DIR}/HvKeys.cpp
)
target_link_libraries(hy_viewer_cmd PUBLIC hy_base hy_platform)
target_link_libraries(hycore INTERFACE hy_viewer_cmd)
