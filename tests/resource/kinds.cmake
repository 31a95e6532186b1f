tavimet_add_test(resource_kinds_test SOURCES
  ${CMAKE_CURRENT_LIST_DIR}/ResourceKindsTest.cpp
  ${CMAKE_CURRENT_LIST_DIR}/DirResourceFileTest.cpp
  LIBS tavimet_kinds)
