# 32-bit Windows: the build that drives the maker's 32-bit libraries, and the one owners
# install. Its tests run under 32-bit Wine (scripts/setup installs it where the machine runs
# 32-bit code).
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR i686)
set(CMAKE_C_COMPILER i686-w64-mingw32-gcc-win32)
set(CMAKE_CXX_COMPILER i686-w64-mingw32-g++-win32)
set(CMAKE_RC_COMPILER i686-w64-mingw32-windres)
set(CMAKE_FIND_ROOT_PATH /usr/i686-w64-mingw32)
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
# Third-party packages as the cross builds take them: GoogleTest built from Debian's sources,
# and the host's header-only packages without the host's include folder.
foreach(package GTest CLI11 nlohmann_json)
  set(${package}_DIR ${CMAKE_CURRENT_LIST_DIR}/mingw/${package})
endforeach()
# Tests run under Wine, in the prefix the test preset names (PD_WINEPREFIX).
set(CMAKE_CROSSCOMPILING_EMULATOR ${CMAKE_CURRENT_LIST_DIR}/../scripts/wine-run)
