# The member list and the archive directory reader.
hy_add_test(test_archive_reader
  SOURCES ${CMAKE_CURRENT_LIST_DIR}/ZipReaderTest.cpp
  LIBS hy_archive_core hy_archive_fixtures)

# Pictures of the Archive page for a person to look at; not run by ctest.
add_executable(hy_archive_shots ${CMAKE_CURRENT_LIST_DIR}/ArchiveShots.cpp)
target_link_libraries(hy_archive_shots PRIVATE hy_app_ui Qt6::Test)

hy_add_test(test_archive_list
  SOURCES ${CMAKE_CURRENT_LIST_DIR}/ZipListTest.cpp
  LIBS hy_archive_ui hy_archive_fixtures)
