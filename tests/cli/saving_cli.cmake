# What the command line says and keeps when a save cannot be done: a cause in words
# for every failure, damaged files never written, short tables never saved shorter in silence;
# run through the built binary on files made with `tavimet-cli demo` and by hand.
tavimet_add_test(saving_cli_test SOURCES ${CMAKE_CURRENT_LIST_DIR}/SavingCliTest.cpp
  LIBS tavimet_model tavimet_kinds)
target_compile_definitions(saving_cli_test PRIVATE TAVIMET_CLI="$<TARGET_FILE:tavimet-cli>")
add_dependencies(saving_cli_test tavimet-cli)
