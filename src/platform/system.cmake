# System services of a desktop program: the registry stand-in and the single-instance lock.
add_library(tavimet_platform_system STATIC
  ${CMAKE_CURRENT_LIST_DIR}/Registry.cpp
  ${CMAKE_CURRENT_LIST_DIR}/InstanceLock.cpp)
target_include_directories(tavimet_platform_system PUBLIC ${PROJECT_SOURCE_DIR}/src)
target_link_libraries(tavimet_platform_system PUBLIC tavimet_common)
