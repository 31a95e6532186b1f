tavimet_add_test(tavimet_fieldstream_tests
  SOURCES ${CMAKE_CURRENT_LIST_DIR}/FieldStreamTest.cpp ${CMAKE_CURRENT_LIST_DIR}/FieldStreamRandomTest.cpp
  LIBS tavimet_fieldstream)
