# Fault sweeps over the container and the tree-table save.
tavimet_add_test(resource_fault_sweep_test SOURCES
  ${CMAKE_CURRENT_LIST_DIR}/FaultSweepTest.cpp
  LIBS tavimet_platform_faults tavimet_model tavimet_kinds tavimet_resource)

# Saving under a full file system, into a damaged file, across the files of an object.
tavimet_add_test(resource_safe_save_test SOURCES
  ${CMAKE_CURRENT_LIST_DIR}/SafeSaveTest.cpp
  LIBS tavimet_platform_faults tavimet_model tavimet_kinds tavimet_resource)
