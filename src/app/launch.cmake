# Launching programs and editors, the clipboard viewer and the File Information dialog.
hy_ui_library(hy_app_launch
  ${CMAKE_CURRENT_LIST_DIR}/Brview6.cpp
  ${CMAKE_CURRENT_LIST_DIR}/Launch.cpp
  ${CMAKE_CURRENT_LIST_DIR}/ClipView.cpp
)
target_link_libraries(hy_app_launch PUBLIC hy_app_core hy_app_help hy_common_ui hy_platform)
target_link_libraries(hyui INTERFACE hy_app_launch)

# FILETYPE.INI lives beside the program; configure_file copies it again whenever it changes.
configure_file(${CMAKE_SOURCE_DIR}/resources/FILETYPE.INI ${CMAKE_BINARY_DIR}/FILETYPE.INI COPYONLY)
