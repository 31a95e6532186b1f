# The model's commands, run through the built binary on files the test makes.
tavimet_add_test(model_cli_test SOURCES ${CMAKE_CURRENT_LIST_DIR}/ModelCliTest.cpp
  LIBS tavimet_model tavimet_kinds tavimet_cli_json)
target_compile_definitions(model_cli_test PRIVATE TAVIMET_CLI="$<TARGET_FILE:tavimet-cli>")
add_dependencies(model_cli_test tavimet-cli)

# The JSON writer the commands print through.
tavimet_add_test(cli_json_test SOURCES ${CMAKE_CURRENT_LIST_DIR}/Json8Test.cpp LIBS tavimet_cli_json)
