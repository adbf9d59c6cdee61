# The unzip boundary: wrapper, library and the fixtures made with zip, Python and libzip.
add_library(hy_archive_fixtures STATIC ${CMAKE_CURRENT_LIST_DIR}/ArchiveFixtures.cpp)
target_link_libraries(hy_archive_fixtures PUBLIC Qt6::Core PRIVATE PkgConfig::LIBZIP)
target_include_directories(hy_archive_fixtures PUBLIC ${CMAKE_SOURCE_DIR}/tests)

hy_add_test(test_archive_unzip
  SOURCES ${CMAKE_CURRENT_LIST_DIR}/UnzipLibTest.cpp
  LIBS hy_archive_core hy_archive_fixtures)
