# The single-instance lock, with scratch folders standing in for /tmp and the cache folder.
# (Windows holds a named mutex instead: tested with the Windows services.)
if(NOT WIN32)
  tavimet_add_test(tavimet_platform_lock_tests SOURCES ${CMAKE_CURRENT_LIST_DIR}/InstanceLockTest.cpp
    LIBS tavimet_platform_system)
endif()
