# Code-page conversion (Windows code pages to and from Unicode) over the system's iconv.
add_library(tavimet_platform_text STATIC ${CMAKE_CURRENT_LIST_DIR}/CodePageIconv.cpp)
target_include_directories(tavimet_platform_text PUBLIC ${PROJECT_SOURCE_DIR}/src)
