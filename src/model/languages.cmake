# The language table (code page and catalogue code of each language) and the text of names in
# their language's code page.
add_library(tavimet_languages STATIC
  ${CMAKE_CURRENT_LIST_DIR}/Languages.cpp
  ${CMAKE_CURRENT_LIST_DIR}/LanguageText.cpp)
target_include_directories(tavimet_languages PUBLIC ${PROJECT_SOURCE_DIR}/src)
target_link_libraries(tavimet_languages PUBLIC tavimet_platform_text)
