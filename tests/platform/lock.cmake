# The single-instance lock, with scratch folders standing in for /tmp and the cache folder.
tavimet_add_test(tavimet_platform_lock_tests SOURCES ${CMAKE_CURRENT_LIST_DIR}/InstanceLockTest.cpp
  LIBS tavimet_platform_system)
