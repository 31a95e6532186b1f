# IFF resource container: the resource-file interface and the two IFF file kinds.
add_library(tavimet_resource STATIC
  ${CMAKE_CURRENT_LIST_DIR}/ResourceFile.cpp
  ${CMAKE_CURRENT_LIST_DIR}/IffStore.cpp
  ${CMAKE_CURRENT_LIST_DIR}/ChunkIndex.cpp
  ${CMAKE_CURRENT_LIST_DIR}/StoredObject.cpp
  ${CMAKE_CURRENT_LIST_DIR}/NameMap.cpp
  ${CMAKE_CURRENT_LIST_DIR}/ResourceMap.cpp
  ${CMAKE_CURRENT_LIST_DIR}/IffFileBase.cpp
  ${CMAKE_CURRENT_LIST_DIR}/IffFileV1.cpp
  ${CMAKE_CURRENT_LIST_DIR}/IffFileV2.cpp
  ${CMAKE_CURRENT_LIST_DIR}/IffCheck.cpp)
target_include_directories(tavimet_resource PUBLIC ${PROJECT_SOURCE_DIR}/src)
target_link_libraries(tavimet_resource PUBLIC tavimet_fileio tavimet_fieldstream tavimet_common)
