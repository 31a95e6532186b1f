# Several files in one run (PATH..., --recursive, --jobs), through the built binary.
tavimet_add_test(batch_cli_test SOURCES ${CMAKE_CURRENT_LIST_DIR}/BatchCliTest.cpp
  LIBS tavimet_sample tavimet_resource tavimet_cli_json)
target_compile_definitions(batch_cli_test PRIVATE TAVIMET_CLI="$<TARGET_FILE:tavimet-cli>")
add_dependencies(batch_cli_test tavimet-cli)
