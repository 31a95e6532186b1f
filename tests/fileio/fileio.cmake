tavimet_add_test(tavimet_fileio_tests
  SOURCES ${CMAKE_CURRENT_LIST_DIR}/FileObjectTest.cpp
  LIBS tavimet_fileio)
