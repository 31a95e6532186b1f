tavimet_add_test(platform_search_test SOURCES ${CMAKE_CURRENT_LIST_DIR}/FileSearchTest.cpp
  LIBS tavimet_platform_search)
