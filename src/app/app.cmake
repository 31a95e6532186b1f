# The editor: start-up, the dialog and its editing operations (tavimet_app, no toolkit), and the
# tavimet executable on the toolkit layer.
add_library(tavimet_app STATIC
  ${CMAKE_CURRENT_LIST_DIR}/EditorDialog.cpp
  ${CMAKE_CURRENT_LIST_DIR}/EditorApp.cpp
  ${CMAKE_CURRENT_LIST_DIR}/PreviewLayout.cpp
  # --version and --help, answered before the toolkit starts.
  ${CMAKE_CURRENT_LIST_DIR}/CommandLine.cpp)
target_include_directories(tavimet_app PUBLIC ${PROJECT_SOURCE_DIR}/src)
target_link_libraries(tavimet_app PUBLIC tavimet_platform_ui tavimet_platform_system
  tavimet_resources tavimet_model tavimet_languages tavimet_kinds tavimet_preview
  tavimet_platform_search tavimet_platform_bitmap tavimet_common
  PRIVATE tavimet_version)

if(TARGET tavimet_platform_wx)
  add_executable(tavimet ${CMAKE_CURRENT_LIST_DIR}/main.cpp)
  target_link_libraries(tavimet PRIVATE tavimet_app tavimet_platform_wx)
elseif(TARGET tavimet_platform_win32ui)
  # A window program (no console), with the icon, strings, version and manifest compiled in.
  add_executable(tavimet WIN32 ${CMAKE_CURRENT_LIST_DIR}/main.cpp)
  target_link_libraries(tavimet PRIVATE tavimet_app tavimet_platform_win32ui
                        tavimet_win32_resources)
endif()
