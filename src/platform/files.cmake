# Platform file services over POSIX.
add_library(tavimet_platform STATIC ${CMAKE_CURRENT_LIST_DIR}/PlatformFiles.cpp)
target_include_directories(tavimet_platform PUBLIC ${PROJECT_SOURCE_DIR}/src)
target_link_libraries(tavimet_platform PUBLIC tavimet_common)
