# The container's commands (chunks, check, compact), run through the built binary.
tavimet_add_test(container_cli_test SOURCES ${CMAKE_CURRENT_LIST_DIR}/ContainerCliTest.cpp
  LIBS tavimet_resource tavimet_cli_json)
target_compile_definitions(container_cli_test PRIVATE TAVIMET_CLI="$<TARGET_FILE:tavimet-cli>")
add_dependencies(container_cli_test tavimet-cli)
