# The sockets layer the program starts (and never uses): Windows Sockets, or nothing to start.
if(WIN32)
  add_library(tavimet_platform_sockets STATIC ${CMAKE_CURRENT_LIST_DIR}/SocketsLayerWin32.cpp)
  target_link_libraries(tavimet_platform_sockets PRIVATE ws2_32)
else()
  add_library(tavimet_platform_sockets STATIC ${CMAKE_CURRENT_LIST_DIR}/SocketsLayerPosix.cpp)
endif()
target_include_directories(tavimet_platform_sockets PUBLIC ${PROJECT_SOURCE_DIR}/src)
