add_executable(tavimet_preview_bench ${CMAKE_CURRENT_LIST_DIR}/preview_bench.cpp)
target_link_libraries(tavimet_preview_bench PRIVATE tavimet_preview tavimet_sample tavimet_kinds
  tavimet_model benchmark::benchmark)
