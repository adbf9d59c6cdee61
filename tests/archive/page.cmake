# The Archive page of a viewer window, end to end through the main window.
hy_add_test(test_archive_page
  SOURCES ${CMAKE_CURRENT_LIST_DIR}/ArchivePageTest.cpp
  LIBS hy_app_ui hy_selector_ui hy_archive_fixtures)
