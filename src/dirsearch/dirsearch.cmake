# Resource directories: chunks stored one per file.
add_library(tavimet_dirsearch STATIC ${CMAKE_CURRENT_LIST_DIR}/DirectoryLookup.cpp)
target_include_directories(tavimet_dirsearch PUBLIC ${PROJECT_SOURCE_DIR}/src)
target_link_libraries(tavimet_dirsearch PUBLIC tavimet_common tavimet_platform tavimet_platform_search)
