tavimet_add_test(model_test SOURCES
  ${CMAKE_CURRENT_LIST_DIR}/StringTableTest.cpp
  ${CMAKE_CURRENT_LIST_DIR}/TreeTableTest.cpp
  ${CMAKE_CURRENT_LIST_DIR}/ObjectDefinitionsTest.cpp
  ${CMAKE_CURRENT_LIST_DIR}/EntryEditsTest.cpp
  LIBS tavimet_model tavimet_kinds)
