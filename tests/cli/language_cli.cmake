# The command line's languages and the translators' round trip through PO catalogues, run
# through the built binary (with GNU gettext's msgfmt, msgcat and msginit).
find_package(nlohmann_json 3 REQUIRED)
tavimet_add_test(language_cli_test SOURCES ${CMAKE_CURRENT_LIST_DIR}/LanguageCliTest.cpp
  LIBS tavimet_resource nlohmann_json::nlohmann_json)
target_compile_definitions(language_cli_test PRIVATE TAVIMET_CLI="$<TARGET_FILE:tavimet-cli>")
add_dependencies(language_cli_test tavimet-cli)
