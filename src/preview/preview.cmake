# The preview renderer: draw groups, palettes, sprite decoding and the object picture.
add_library(tavimet_preview STATIC
  ${CMAKE_CURRENT_LIST_DIR}/ColorPalette.cpp
  ${CMAKE_CURRENT_LIST_DIR}/DrawGroup.cpp
  ${CMAKE_CURRENT_LIST_DIR}/SpriteDecoder.cpp
  ${CMAKE_CURRENT_LIST_DIR}/PreviewProjection.cpp
  ${CMAKE_CURRENT_LIST_DIR}/ObjectPreview.cpp
  ${CMAKE_CURRENT_LIST_DIR}/ObjectPreviewModel.cpp)
target_include_directories(tavimet_preview PUBLIC ${PROJECT_SOURCE_DIR}/src)
target_link_libraries(tavimet_preview PUBLIC tavimet_platform_bitmap tavimet_model tavimet_resource
  tavimet_fieldstream tavimet_common)

# PNG files of pictures (the command line and the tests).
# PNG through stb's single-file encoder and decoder (Debian's libstb-dev headers), built here.
add_library(tavimet_png STATIC ${CMAKE_CURRENT_LIST_DIR}/PngFile.cpp)
target_include_directories(tavimet_png PUBLIC ${PROJECT_SOURCE_DIR}/src)
target_link_libraries(tavimet_png PUBLIC tavimet_platform_bitmap)
