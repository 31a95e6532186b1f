add_executable(tavimet_resource_bench ${CMAKE_CURRENT_LIST_DIR}/iff_bench.cpp)
target_link_libraries(tavimet_resource_bench PRIVATE tavimet_resource benchmark::benchmark)
# The large files bench/big_files.sh measures the command line on.
add_executable(tavimet_bigfiles ${CMAKE_CURRENT_LIST_DIR}/bigfiles.cpp)
target_link_libraries(tavimet_bigfiles PRIVATE tavimet_sample tavimet_resource)
