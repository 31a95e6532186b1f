# The preview renderer: draw groups, palettes, sprite decoding and the object picture.
set(_preview_sources
  ${CMAKE_CURRENT_LIST_DIR}/ColorPalette.cpp
  ${CMAKE_CURRENT_LIST_DIR}/DrawGroup.cpp
  ${CMAKE_CURRENT_LIST_DIR}/SpriteDecoder.cpp
  ${CMAKE_CURRENT_LIST_DIR}/PreviewProjection.cpp
  ${CMAKE_CURRENT_LIST_DIR}/ObjectPreview.cpp)
if(EXISTS ${PROJECT_SOURCE_DIR}/src/model/ObjectDefinitions.h)
  list(APPEND _preview_sources ${CMAKE_CURRENT_LIST_DIR}/ObjectPreviewModel.cpp)
endif()
add_library(tavimet_preview STATIC ${_preview_sources})
target_include_directories(tavimet_preview PUBLIC ${PROJECT_SOURCE_DIR}/src)
target_link_libraries(tavimet_preview PUBLIC tavimet_platform_bitmap tavimet_common
  tavimet_fieldstream tavimet_resource)
if(TARGET tavimet_model OR EXISTS ${PROJECT_SOURCE_DIR}/src/model/ObjectDefinitions.h)
  target_link_libraries(tavimet_preview PUBLIC tavimet_model)
endif()

# PNG files of pictures (the command line and the tests).
find_package(PNG REQUIRED)
add_library(tavimet_png STATIC ${CMAKE_CURRENT_LIST_DIR}/PngFile.cpp)
target_include_directories(tavimet_png PUBLIC ${PROJECT_SOURCE_DIR}/src)
target_link_libraries(tavimet_png PUBLIC tavimet_platform_bitmap PRIVATE PNG::PNG)
