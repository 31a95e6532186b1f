# The program's own resources: dialog template 102, language list, icon 128, string table.
add_library(tavimet_resources STATIC ${CMAKE_CURRENT_LIST_DIR}/EditorResources.cpp)
target_include_directories(tavimet_resources PUBLIC ${PROJECT_SOURCE_DIR}/src)
target_link_libraries(tavimet_resources PUBLIC tavimet_platform_ui)
