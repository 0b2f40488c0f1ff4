# CLI11 for the mingw builds: the host's headers, and nothing else of the host's.
include(${CMAKE_CURRENT_LIST_DIR}/../headers-only.cmake)
if(NOT TARGET CLI11::CLI11)
  pd_host_headers(CLI11::CLI11 CLI)
endif()
set(CLI11_FOUND TRUE)
