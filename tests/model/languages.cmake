# The language table and the text of names in each language's code page.
tavimet_add_test(model_language_text_test SOURCES ${CMAKE_CURRENT_LIST_DIR}/LanguageTextTest.cpp
  LIBS tavimet_languages)
