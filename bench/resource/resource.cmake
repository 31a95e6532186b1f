if(TARGET tavimet_resource)
  add_executable(tavimet_resource_bench ${CMAKE_CURRENT_LIST_DIR}/iff_bench.cpp)
  target_link_libraries(tavimet_resource_bench PRIVATE tavimet_resource benchmark::benchmark)
endif()
# The large files bench/big_files.sh measures the command line on.
if(TARGET tavimet_resource AND TARGET tavimet_sample)
  add_executable(tavimet_bigfiles ${CMAKE_CURRENT_LIST_DIR}/bigfiles.cpp)
  target_link_libraries(tavimet_bigfiles PRIVATE tavimet_sample tavimet_resource)
endif()
