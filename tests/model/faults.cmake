# Saves that cannot allocate their chunk body (array allocation fails on demand in this program).
tavimet_add_test(model_alloc_failure_test SOURCES ${CMAKE_CURRENT_LIST_DIR}/AllocFailureTest.cpp
  LIBS tavimet_model tavimet_resource)
