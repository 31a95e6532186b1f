# The Windows program's compiled resources. The icon file is written at build time from the
# program's own icon data by a small tool compiled for the build machine.
if(WIN32)
  enable_language(RC)
  find_program(TAVIMET_HOST_CXX NAMES c++ g++ clang++ REQUIRED)
  set(_gen ${CMAKE_CURRENT_BINARY_DIR}/win32)
  set(TAVIMET_ICO ${_gen}/tavimet.ico)
  set(TAVIMET_MANIFEST ${CMAKE_CURRENT_LIST_DIR}/tavimet.exe.manifest)
  add_custom_command(OUTPUT ${TAVIMET_ICO}
    COMMAND ${CMAKE_COMMAND} -E make_directory ${_gen}
    COMMAND ${TAVIMET_HOST_CXX} -std=c++20 -O1 -I${PROJECT_SOURCE_DIR}/src
            ${PROJECT_SOURCE_DIR}/packaging/IconIco.cpp
            ${CMAKE_CURRENT_LIST_DIR}/EditorResources.cpp -o ${_gen}/tavimet_icon_ico
    COMMAND ${_gen}/tavimet_icon_ico ${TAVIMET_ICO}
    DEPENDS ${PROJECT_SOURCE_DIR}/packaging/IconIco.cpp ${PROJECT_SOURCE_DIR}/packaging/IconPixels.h
            ${CMAKE_CURRENT_LIST_DIR}/EditorResources.cpp ${CMAKE_CURRENT_LIST_DIR}/EditorResources.h
            ${PROJECT_SOURCE_DIR}/src/platform/DialogUi.h
    COMMENT "Writing the program icon for Windows")
  configure_file(${CMAKE_CURRENT_LIST_DIR}/tavimet.rc.in ${_gen}/tavimet.rc @ONLY)
  add_library(tavimet_win32_resources OBJECT ${_gen}/tavimet.rc ${TAVIMET_ICO})
  target_include_directories(tavimet_win32_resources PRIVATE ${PROJECT_SOURCE_DIR}/src)
  set_source_files_properties(${_gen}/tavimet.rc PROPERTIES
    OBJECT_DEPENDS "${TAVIMET_ICO};${TAVIMET_MANIFEST};${CMAKE_CURRENT_LIST_DIR}/ProgramStrings.h")
endif()
