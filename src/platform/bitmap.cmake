# Bitmap sections (owned by the preview work).
add_library(tavimet_platform_bitmap STATIC ${CMAKE_CURRENT_LIST_DIR}/DibSection.cpp)
target_include_directories(tavimet_platform_bitmap PUBLIC ${PROJECT_SOURCE_DIR}/src)
