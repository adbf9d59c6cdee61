# The archive list and extraction beside unzip; run by bench/run.sh archive.
add_executable(hy_archive_bench ${CMAKE_CURRENT_LIST_DIR}/ArchiveBench.cpp)
target_link_libraries(hy_archive_bench PRIVATE hy_archive_ui)
