# The editor in every language (in-memory dialog), and the real window typing a Cyrillic name
# under a virtual X server (skips itself when the X tooling is missing).
tavimet_add_test(tavimet_app_language_tests
  SOURCES ${CMAKE_CURRENT_LIST_DIR}/EditorLanguageTest.cpp
  LIBS tavimet_app tavimet_sample)

if(TARGET tavimet_platform_wx AND TARGET tavimet AND TARGET tavimet-cli)
  find_package(nlohmann_json 3 REQUIRED)
  tavimet_add_test(tavimet_e2e_language_tests
    SOURCES ${CMAKE_CURRENT_LIST_DIR}/EditorE2ELanguageTest.cpp
    LIBS nlohmann_json::nlohmann_json)
  target_compile_definitions(tavimet_e2e_language_tests PRIVATE
    TAVIMET_EXE="$<TARGET_FILE:tavimet>" TAVIMET_CLI_EXE="$<TARGET_FILE:tavimet-cli>")
  add_dependencies(tavimet_e2e_language_tests tavimet tavimet-cli)
endif()
