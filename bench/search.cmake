# The disk search's speed beside find and grep; run by bench/run.sh search.
add_executable(hy_search_bench ${CMAKE_CURRENT_LIST_DIR}/SearchBench.cpp)
target_link_libraries(hy_search_bench PRIVATE hy_search_ui)
