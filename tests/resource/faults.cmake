# Fault sweeps over the container and the tree-table save.
if(TARGET tavimet_resource AND TARGET tavimet_model AND TARGET tavimet_kinds)
  tavimet_add_test(resource_fault_sweep_test SOURCES
    ${CMAKE_CURRENT_LIST_DIR}/FaultSweepTest.cpp
    LIBS tavimet_platform_faults tavimet_model tavimet_kinds tavimet_resource)
endif()
