tavimet_add_test(platform_code_page_test SOURCES ${CMAKE_CURRENT_LIST_DIR}/CodePageTest.cpp
  LIBS tavimet_platform_text)
