tavimet_add_test(tavimet_resources_tests
  SOURCES ${CMAKE_CURRENT_LIST_DIR}/EditorResourcesTest.cpp
  LIBS tavimet_resources)
