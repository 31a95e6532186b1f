# System services of a desktop program: the registry and the single-instance lock, each with a
# POSIX stand-in and the Windows service itself.
if(WIN32)
  set(_system_impl ${CMAKE_CURRENT_LIST_DIR}/RegistryWin32.cpp
                   ${CMAKE_CURRENT_LIST_DIR}/InstanceLockWin32.cpp)
else()
  set(_system_impl ${CMAKE_CURRENT_LIST_DIR}/RegistryPosix.cpp
                   ${CMAKE_CURRENT_LIST_DIR}/InstanceLock.cpp)
endif()
add_library(tavimet_platform_system STATIC ${CMAKE_CURRENT_LIST_DIR}/Registry.cpp ${_system_impl})
target_include_directories(tavimet_platform_system PUBLIC ${PROJECT_SOURCE_DIR}/src)
target_link_libraries(tavimet_platform_system PUBLIC tavimet_common)
if(WIN32)
  target_link_libraries(tavimet_platform_system PUBLIC advapi32)
endif()
