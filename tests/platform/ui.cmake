tavimet_add_test(tavimet_platform_ui_tests
  SOURCES ${CMAKE_CURRENT_LIST_DIR}/MemoryDialogTest.cpp ${CMAKE_CURRENT_LIST_DIR}/DialogLayoutTest.cpp
  ${CMAKE_CURRENT_LIST_DIR}/DialogProtocolTest.cpp ${CMAKE_CURRENT_LIST_DIR}/Win32DialogTemplateTest.cpp
  LIBS tavimet_platform_ui)
