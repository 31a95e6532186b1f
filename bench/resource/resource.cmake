if(TARGET tavimet_resource)
  add_executable(tavimet_resource_bench ${CMAKE_CURRENT_LIST_DIR}/iff_bench.cpp)
  target_link_libraries(tavimet_resource_bench PRIVATE tavimet_resource benchmark::benchmark)
endif()
