# The file model's speed beside wc and grep; run by bench/run.sh viewer.
add_executable(hy_viewer_bench ${CMAKE_CURRENT_LIST_DIR}/ViewerBench.cpp)
target_link_libraries(hy_viewer_bench PRIVATE hy_viewer_model)
