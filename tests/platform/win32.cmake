# The Windows services against the real system (Wine when cross-built).
if(WIN32)
  tavimet_add_test(platform_win32_test SOURCES ${CMAKE_CURRENT_LIST_DIR}/Win32PlatformTest.cpp
    LIBS tavimet_platform tavimet_platform_search tavimet_platform_system)
endif()
