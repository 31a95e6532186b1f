tavimet_add_test(resource_iff_test SOURCES
  ${CMAKE_CURRENT_LIST_DIR}/ChunkIndexTest.cpp
  ${CMAKE_CURRENT_LIST_DIR}/IffFileTest.cpp
  ${CMAKE_CURRENT_LIST_DIR}/IffStoreTest.cpp
  ${CMAKE_CURRENT_LIST_DIR}/IffMendedTest.cpp
  ${CMAKE_CURRENT_LIST_DIR}/IffModelTest.cpp
  LIBS tavimet_resource tavimet_platform_faults)
