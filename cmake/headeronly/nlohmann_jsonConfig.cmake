# nlohmann-json for the cross builds (Windows, WebAssembly): the header-only
# library that Debian's nlohmann-json3-dev installs, seen through a folder of
# its own so that the rest of the build machine's /usr/include stays out of
# the build.
if(NOT TARGET nlohmann_json::nlohmann_json)
  set(_quorlin_json_include ${CMAKE_BINARY_DIR}/nlohmann-json-include)
  file(MAKE_DIRECTORY ${_quorlin_json_include})
  if(NOT EXISTS ${_quorlin_json_include}/nlohmann)
    file(CREATE_LINK /usr/include/nlohmann ${_quorlin_json_include}/nlohmann SYMBOLIC)
  endif()
  add_library(nlohmann_json::nlohmann_json INTERFACE IMPORTED)
  set_target_properties(nlohmann_json::nlohmann_json PROPERTIES INTERFACE_INCLUDE_DIRECTORIES ${_quorlin_json_include})
endif()
