tavimet_add_test(tavimet_platform_system_tests
  SOURCES ${CMAKE_CURRENT_LIST_DIR}/RegistryTest.cpp ${CMAKE_CURRENT_LIST_DIR}/SocketsTest.cpp
  LIBS tavimet_platform_system)
