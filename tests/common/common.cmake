tavimet_add_test(tavimet_common_tests
  SOURCES ${CMAKE_CURRENT_LIST_DIR}/BoundedStringTest.cpp ${CMAKE_CURRENT_LIST_DIR}/TGStringTest.cpp
  LIBS tavimet_common)
