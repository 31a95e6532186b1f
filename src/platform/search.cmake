# Directory search over the system's directory reading (POSIX or Windows, chosen here).
if(WIN32)
  set(_search_system ${CMAKE_CURRENT_LIST_DIR}/FileSearchWin32.cpp)
else()
  set(_search_system ${CMAKE_CURRENT_LIST_DIR}/FileSearchPosix.cpp)
endif()
add_library(tavimet_platform_search STATIC ${CMAKE_CURRENT_LIST_DIR}/FileSearch.cpp ${_search_system})
target_include_directories(tavimet_platform_search PUBLIC ${PROJECT_SOURCE_DIR}/src)
target_link_libraries(tavimet_platform_search PUBLIC tavimet_platform)
