tavimet_add_test(tavimet_app_tests
  SOURCES ${CMAKE_CURRENT_LIST_DIR}/EditorDialogTest.cpp ${CMAKE_CURRENT_LIST_DIR}/EditorAppTest.cpp
  LIBS tavimet_app tavimet_sample tavimet_platform_faults)

# The real editor under a virtual X server; skips itself when the X tooling is missing.
if(TARGET tavimet_platform_wx AND TARGET tavimet AND TARGET tavimet-cli)
  find_package(nlohmann_json 3 REQUIRED)
  tavimet_add_test(tavimet_e2e_tests
    SOURCES ${CMAKE_CURRENT_LIST_DIR}/EditorE2ETest.cpp
    LIBS nlohmann_json::nlohmann_json)
  target_compile_definitions(tavimet_e2e_tests PRIVATE
    TAVIMET_EXE="$<TARGET_FILE:tavimet>" TAVIMET_CLI_EXE="$<TARGET_FILE:tavimet-cli>")
  add_dependencies(tavimet_e2e_tests tavimet tavimet-cli)
endif()

# The Windows build's editor under Wine, checked with this build's tavimet-cli; runs when
# TAVIMET_WINDOWS_EXE names it.
if(TARGET tavimet-cli AND NOT WIN32)
  find_package(nlohmann_json 3 REQUIRED)
  tavimet_add_test(tavimet_windows_e2e_tests
    SOURCES ${CMAKE_CURRENT_LIST_DIR}/WindowsE2ETest.cpp
    LIBS nlohmann_json::nlohmann_json)
  target_compile_definitions(tavimet_windows_e2e_tests PRIVATE
    TAVIMET_EXE="" TAVIMET_CLI_EXE="$<TARGET_FILE:tavimet-cli>")
  add_dependencies(tavimet_windows_e2e_tests tavimet-cli)
endif()
