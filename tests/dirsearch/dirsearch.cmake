tavimet_add_test(dirsearch_test SOURCES ${CMAKE_CURRENT_LIST_DIR}/DirectoryLookupTest.cpp
  LIBS tavimet_dirsearch)
