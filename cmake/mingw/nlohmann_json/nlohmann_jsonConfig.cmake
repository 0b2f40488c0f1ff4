# nlohmann/json for the mingw builds: the host's headers, and nothing else of the host's.
include(${CMAKE_CURRENT_LIST_DIR}/../headers-only.cmake)
if(NOT TARGET nlohmann_json::nlohmann_json)
  pd_host_headers(nlohmann_json::nlohmann_json nlohmann)
endif()
set(nlohmann_json_FOUND TRUE)
