# Directory search over POSIX directory reading.
add_library(tavimet_platform_search STATIC ${CMAKE_CURRENT_LIST_DIR}/FileSearch.cpp)
target_include_directories(tavimet_platform_search PUBLIC ${PROJECT_SOURCE_DIR}/src)
target_link_libraries(tavimet_platform_search PUBLIC tavimet_platform)
