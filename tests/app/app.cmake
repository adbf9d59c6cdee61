hy_add_test(test_app_rules
  SOURCES ${CMAKE_CURRENT_LIST_DIR}/ViewRulesTest.cpp ${CMAKE_CURRENT_LIST_DIR}/ViewerSettingsTest.cpp
          ${CMAKE_CURRENT_LIST_DIR}/WindowArrangementTest.cpp
  LIBS hy_app_core)

# A small peer that becomes the running instance and prints every hand-over it receives.
add_executable(hy_instance_peer ${CMAKE_CURRENT_LIST_DIR}/InstancePeer.cpp)
target_link_libraries(hy_instance_peer PRIVATE hy_platform)

hy_add_test(test_app_instance
  SOURCES ${CMAKE_CURRENT_LIST_DIR}/SingleInstanceTest.cpp
  LIBS hy_platform)
target_compile_definitions(test_app_instance PRIVATE
  HY_PEER="$<TARGET_FILE:hy_instance_peer>" HY_VIEWER="$<TARGET_FILE:hyview>")
add_dependencies(test_app_instance hy_instance_peer hyview)

hy_add_test(test_app_mainform
  SOURCES ${CMAKE_CURRENT_LIST_DIR}/MainFormTest.cpp
  LIBS hy_app_ui)

hy_add_test(test_app_commands
  SOURCES ${CMAKE_CURRENT_LIST_DIR}/MainCommandsTest.cpp
  LIBS hy_app_ui)

# Pictures of the main window and dialogs for a person to look at; not run by ctest.
add_executable(hy_app_shots ${CMAKE_CURRENT_LIST_DIR}/AppShots.cpp)
target_link_libraries(hy_app_shots PRIVATE hy_app_ui Qt6::Test)
