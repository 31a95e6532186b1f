tavimet_add_test(platform_faults_test SOURCES ${CMAKE_CURRENT_LIST_DIR}/FaultFilesTest.cpp
  LIBS tavimet_platform_faults)
