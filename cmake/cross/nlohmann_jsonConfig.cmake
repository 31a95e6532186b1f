# nlohmann-json for the cross build: Debian's headers, from the cross build's own include folder.
if(NOT TARGET nlohmann_json::nlohmann_json)
  add_library(nlohmann_json::nlohmann_json INTERFACE IMPORTED)
  set_target_properties(nlohmann_json::nlohmann_json PROPERTIES
    INTERFACE_INCLUDE_DIRECTORIES ${TAVIMET_CROSS_INCLUDE})
endif()
