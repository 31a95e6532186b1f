# What the editor answers without a window: --version and --help.
tavimet_add_test(tavimet_commandline_tests SOURCES ${CMAKE_CURRENT_LIST_DIR}/CommandLineTest.cpp
  LIBS tavimet_app)
target_compile_definitions(tavimet_commandline_tests PRIVATE
  TAVIMET_PROJECT_VERSION="${PROJECT_VERSION}")
