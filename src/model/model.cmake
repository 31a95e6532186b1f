# String tables, tree tables, object definitions and the per-field edits shared by the editor and
# the batch editor.
add_library(tavimet_model STATIC
  ${CMAKE_CURRENT_LIST_DIR}/StringTable.cpp
  ${CMAKE_CURRENT_LIST_DIR}/TreeTable.cpp
  ${CMAKE_CURRENT_LIST_DIR}/ObjectDefinitions.cpp
  ${CMAKE_CURRENT_LIST_DIR}/EntryEdits.cpp
  ${CMAKE_CURRENT_LIST_DIR}/StatusText.cpp)
target_include_directories(tavimet_model PUBLIC ${PROJECT_SOURCE_DIR}/src)
target_link_libraries(tavimet_model PUBLIC tavimet_fieldstream tavimet_resource tavimet_common
                      tavimet_platform)
