# GoogleTest for the mingw builds. Debian has it for the host only, and as sources; the cross
# builds compile those sources with their own compiler, as part of the tree, and get the same
# targets the host's package has (GTest::gtest, GTest::gtest_main, GTest::gmock).
if(NOT TARGET GTest::gtest)
  set(INSTALL_GTEST OFF CACHE BOOL "" FORCE)
  set(BUILD_GMOCK ON CACHE BOOL "" FORCE)
  add_subdirectory(/usr/src/googletest ${CMAKE_BINARY_DIR}/googletest EXCLUDE_FROM_ALL)
  # The compilers' win32 thread model has no std::mutex: GoogleTest takes the one piece it
  # would build of it from our own port header.
  target_include_directories(gtest BEFORE PUBLIC ${CMAKE_SOURCE_DIR}/tests/gtest-port)
endif()
set(GTest_FOUND TRUE)
