# What the command line says about itself: --version, the help texts and their examples, run
# through the built binary.
tavimet_add_test(help_cli_test SOURCES ${CMAKE_CURRENT_LIST_DIR}/HelpCliTest.cpp)
target_compile_definitions(help_cli_test PRIVATE TAVIMET_CLI="$<TARGET_FILE:tavimet-cli>"
  TAVIMET_PROJECT_VERSION="${PROJECT_VERSION}")
add_dependencies(help_cli_test tavimet-cli)
