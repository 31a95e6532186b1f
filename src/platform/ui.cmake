# User-interface layer: the abstract dialog, its in-memory implementation, the registry stand-in
# and the single-instance lock (no toolkit), and the wxWidgets implementation.
if(WIN32)
  set(_ui_system ${CMAKE_CURRENT_LIST_DIR}/RegistryWin32.cpp ${CMAKE_CURRENT_LIST_DIR}/InstanceLockWin32.cpp)
else()
  set(_ui_system ${CMAKE_CURRENT_LIST_DIR}/RegistryPosix.cpp ${CMAKE_CURRENT_LIST_DIR}/InstanceLock.cpp)
endif()
add_library(tavimet_platform_ui STATIC
  ${CMAKE_CURRENT_LIST_DIR}/DialogUi.cpp
  ${CMAKE_CURRENT_LIST_DIR}/MemoryDialog.cpp
  ${CMAKE_CURRENT_LIST_DIR}/Registry.cpp
  ${_ui_system})
target_include_directories(tavimet_platform_ui PUBLIC ${PROJECT_SOURCE_DIR}/src)
if(WIN32)
  target_link_libraries(tavimet_platform_ui PUBLIC advapi32)
endif()

if(TAVIMET_GUI)
  find_package(wxWidgets 3.2 COMPONENTS core base)
  if(wxWidgets_FOUND)
    add_library(tavimet_platform_wx STATIC ${CMAKE_CURRENT_LIST_DIR}/WxDialog.cpp)
    target_link_libraries(tavimet_platform_wx PUBLIC tavimet_platform_ui PRIVATE ${wxWidgets_LIBRARIES})
    target_include_directories(tavimet_platform_wx SYSTEM PRIVATE ${wxWidgets_INCLUDE_DIRS})
    target_compile_definitions(tavimet_platform_wx PRIVATE ${wxWidgets_DEFINITIONS})
    target_compile_options(tavimet_platform_wx PRIVATE ${wxWidgets_CXX_FLAGS})
  else()
    message(STATUS "wxWidgets 3.2 not found: the editor window is not built")
  endif()
endif()
