tavimet_add_test(tavimet_platform_files_tests
  SOURCES ${CMAKE_CURRENT_LIST_DIR}/PlatformFilesTest.cpp
  LIBS tavimet_platform)
