tavimet_add_test(tavimet_platform_bitmap_tests SOURCES ${CMAKE_CURRENT_LIST_DIR}/DibSectionTest.cpp
  LIBS tavimet_platform_bitmap)
