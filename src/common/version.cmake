# The version from project(), for --version and the installed metadata: a generated header.
configure_file(${CMAKE_CURRENT_LIST_DIR}/Version.h.in ${PROJECT_BINARY_DIR}/generated/common/Version.h
  @ONLY)
add_library(tavimet_version INTERFACE)
target_include_directories(tavimet_version INTERFACE ${PROJECT_BINARY_DIR}/generated)
