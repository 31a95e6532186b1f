# Opening by name: resource sets, the multi-format kinds and the read-only directory kind.
add_library(tavimet_kinds STATIC
  ${CMAKE_CURRENT_LIST_DIR}/ResourceSet.cpp
  ${CMAKE_CURRENT_LIST_DIR}/DirResourceFile.cpp
  ${CMAKE_CURRENT_LIST_DIR}/ResourceKinds.cpp)
target_include_directories(tavimet_kinds PUBLIC ${PROJECT_SOURCE_DIR}/src)
target_link_libraries(tavimet_kinds PUBLIC tavimet_resource tavimet_dirsearch tavimet_common)
