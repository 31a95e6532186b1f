# User-interface layer: the abstract dialog, its placement and its in-memory implementation (no
# toolkit), and the wxWidgets implementation.
if(WIN32)
  set(_program_name ${CMAKE_CURRENT_LIST_DIR}/ProgramNameWin32.cpp)
else()
  set(_program_name ${CMAKE_CURRENT_LIST_DIR}/ProgramNamePosix.cpp)
endif()
add_library(tavimet_platform_ui STATIC
  ${CMAKE_CURRENT_LIST_DIR}/DialogUi.cpp
  ${_program_name}
  ${CMAKE_CURRENT_LIST_DIR}/DialogLayout.cpp
  ${CMAKE_CURRENT_LIST_DIR}/DialogProtocol.cpp
  ${CMAKE_CURRENT_LIST_DIR}/MemoryDialog.cpp
  ${CMAKE_CURRENT_LIST_DIR}/Win32DialogTemplate.cpp)
target_include_directories(tavimet_platform_ui PUBLIC ${PROJECT_SOURCE_DIR}/src)
target_link_libraries(tavimet_platform_ui PUBLIC tavimet_common)

if(TAVIMET_GUI AND NOT WIN32)
  find_package(wxWidgets 3.2 COMPONENTS core base)
  if(wxWidgets_FOUND)
    # The window's list rows are measured and made denser through GTK, which wx is built on.
    find_package(PkgConfig REQUIRED)
    pkg_check_modules(GTK3 REQUIRED IMPORTED_TARGET gtk+-3.0)
    add_library(tavimet_platform_wx STATIC ${CMAKE_CURRENT_LIST_DIR}/WxDialog.cpp
                ${CMAKE_CURRENT_LIST_DIR}/WxGtkMetrics.cpp)
    target_link_libraries(tavimet_platform_wx PUBLIC tavimet_platform_ui
                          PRIVATE ${wxWidgets_LIBRARIES} PkgConfig::GTK3)
    target_include_directories(tavimet_platform_wx SYSTEM PRIVATE ${wxWidgets_INCLUDE_DIRS})
    target_compile_definitions(tavimet_platform_wx PRIVATE ${wxWidgets_DEFINITIONS})
    target_compile_options(tavimet_platform_wx PRIVATE ${wxWidgets_CXX_FLAGS})
  else()
    message(STATUS "wxWidgets 3.2 not found: the editor window is not built")
  endif()
endif()
