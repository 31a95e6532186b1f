tavimet_add_test(tavimet_preview_tests SOURCES
  ${CMAKE_CURRENT_LIST_DIR}/SpriteDecoderTest.cpp
  ${CMAKE_CURRENT_LIST_DIR}/PaletteTest.cpp
  ${CMAKE_CURRENT_LIST_DIR}/DrawGroupTest.cpp
  ${CMAKE_CURRENT_LIST_DIR}/ObjectPreviewTest.cpp
  LIBS tavimet_preview)
# The sample object against golden images, and the command line's preview.
tavimet_add_test(tavimet_preview_sample_tests SOURCES
  ${CMAKE_CURRENT_LIST_DIR}/SampleGoldenTest.cpp
  LIBS tavimet_preview tavimet_png tavimet_sample tavimet_kinds tavimet_model)
if(NOT WIN32) # the command line is run through a POSIX shell
  target_compile_definitions(tavimet_preview_sample_tests PRIVATE
    TAVIMET_CLI_PATH="$<TARGET_FILE:tavimet-cli>")
  add_dependencies(tavimet_preview_sample_tests tavimet-cli)
endif()
