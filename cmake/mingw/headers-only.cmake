# A header-only package of the host for the mingw builds. The host's own package names the
# host's whole include folder, whose C library headers would shadow the cross compiler's; the
# target made here shows the cross compiler the package's headers alone, through a folder of
# links in the build tree.
function(pd_host_headers target)
  set(folder ${CMAKE_BINARY_DIR}/mingw-include/${CMAKE_FIND_PACKAGE_NAME})
  file(MAKE_DIRECTORY ${folder})
  foreach(header_folder IN LISTS ARGN)
    if(NOT IS_DIRECTORY /usr/include/${header_folder})
      message(FATAL_ERROR "/usr/include/${header_folder} is missing: run scripts/setup")
    endif()
    file(CREATE_LINK /usr/include/${header_folder} ${folder}/${header_folder} SYMBOLIC)
  endforeach()
  add_library(${target} INTERFACE IMPORTED)
  set_target_properties(${target} PROPERTIES INTERFACE_INCLUDE_DIRECTORIES ${folder})
endfunction()
