# Fault injection for tests: a file layer that fails, tears or "crashes" at a chosen operation.
add_library(tavimet_platform_faults STATIC ${CMAKE_CURRENT_LIST_DIR}/FaultFiles.cpp)
target_include_directories(tavimet_platform_faults PUBLIC ${PROJECT_SOURCE_DIR}/src)
target_link_libraries(tavimet_platform_faults PUBLIC tavimet_platform)
