hy_add_test(test_search_core
  SOURCES ${CMAKE_CURRENT_LIST_DIR}/SearchCriteriaTest.cpp
          ${CMAKE_CURRENT_LIST_DIR}/BrowserGeometryTest.cpp
          ${CMAKE_CURRENT_LIST_DIR}/SearchRunTest.cpp
  LIBS hy_search_core)

# Pictures of the search windows for a person to look at; not run by ctest.
add_executable(hy_search_shots ${CMAKE_CURRENT_LIST_DIR}/SearchShots.cpp)
target_link_libraries(hy_search_shots PRIVATE hy_search_ui Qt6::Test)

hy_add_test(test_search_ui
  SOURCES ${CMAKE_CURRENT_LIST_DIR}/SearchDialogTest.cpp
          ${CMAKE_CURRENT_LIST_DIR}/SearchResultsTest.cpp
  LIBS hy_search_ui)
