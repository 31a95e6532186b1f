# Platform file services over the system's own calls (POSIX or Windows, chosen here).
if(WIN32)
  set(_files_system ${CMAKE_CURRENT_LIST_DIR}/PlatformFilesWin32.cpp)
else()
  set(_files_system ${CMAKE_CURRENT_LIST_DIR}/PlatformFilesPosix.cpp)
endif()
add_library(tavimet_platform STATIC ${CMAKE_CURRENT_LIST_DIR}/PlatformFiles.cpp ${_files_system})
target_include_directories(tavimet_platform PUBLIC ${PROJECT_SOURCE_DIR}/src)
target_link_libraries(tavimet_platform PUBLIC tavimet_common)
