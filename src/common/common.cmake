add_library(tavimet_common STATIC
  ${CMAKE_CURRENT_LIST_DIR}/BoundedString.cpp
  ${CMAKE_CURRENT_LIST_DIR}/TGString.cpp)
target_include_directories(tavimet_common PUBLIC ${PROJECT_SOURCE_DIR}/src)
