# The file list's speed and memory beside find and ls; run by bench/run.sh filelist.
add_executable(hy_filelist_bench ${CMAKE_CURRENT_LIST_DIR}/FileListBench.cpp)
target_link_libraries(hy_filelist_bench PRIVATE hy_filelist_ui)
