hy_add_test(test_viewer_commands
  SOURCES
    ${CMAKE_CURRENT_LIST_DIR}/HvCmdTest.cpp
    ${CMAKE_CURRENT_LIST_DIR}/HvCmdStoreTest.cpp
    ${CMAKE_CURRENT_LIST_DIR}/HvKeysTest.cpp
  LIBS hy_viewer_cmd)
