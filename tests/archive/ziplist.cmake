# The member list and the archive directory reader.
hy_add_test(test_archive_reader
  SOURCES ${CMAKE_CURRENT_LIST_DIR}/ZipReaderTest.cpp
  LIBS hy_archive_core hy_archive_fixtures)
