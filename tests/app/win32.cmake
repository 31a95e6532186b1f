# The editor's template as the real Win32 dialog, under Wine when cross-built.
if(TARGET tavimet_platform_win32ui)
  tavimet_add_test(tavimet_win32_window_tests SOURCES ${CMAKE_CURRENT_LIST_DIR}/Win32WindowTest.cpp
    LIBS tavimet_platform_win32ui tavimet_resources user32)
endif()
