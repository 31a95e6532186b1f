if(TARGET tavimet_resource)
  tavimet_add_test(tavimet_preview_tests SOURCES
    ${CMAKE_CURRENT_LIST_DIR}/SpriteDecoderTest.cpp
    ${CMAKE_CURRENT_LIST_DIR}/PaletteTest.cpp
    ${CMAKE_CURRENT_LIST_DIR}/DrawGroupTest.cpp
    ${CMAKE_CURRENT_LIST_DIR}/ObjectPreviewTest.cpp
    LIBS tavimet_preview)
endif()
