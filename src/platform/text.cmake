# Code-page conversion (Windows code pages to and from Unicode) over the system's own tables:
# glibc's iconv, or Windows' conversion calls.
if(WIN32)
  add_library(tavimet_platform_text STATIC ${CMAKE_CURRENT_LIST_DIR}/CodePageWin32.cpp)
else()
  add_library(tavimet_platform_text STATIC ${CMAKE_CURRENT_LIST_DIR}/CodePageIconv.cpp)
endif()
target_include_directories(tavimet_platform_text PUBLIC ${PROJECT_SOURCE_DIR}/src)
