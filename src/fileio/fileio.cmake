add_library(tavimet_fileio STATIC ${CMAKE_CURRENT_LIST_DIR}/FileObject.cpp)
target_include_directories(tavimet_fileio PUBLIC ${PROJECT_SOURCE_DIR}/src)
target_link_libraries(tavimet_fileio PUBLIC tavimet_common tavimet_platform)
