# Makes the demo archive, at build time: the given files, and any sample firmware image that
# the demo folder holds (a file that begins with an image's mark, "$IMG").
#
#   cmake -DZIP=zip -DARCHIVE=out.zip -DDEMO_DIR=folder -DFILES="a;b;c" -P MakeDemoArchive.cmake
cmake_minimum_required(VERSION 3.25)
foreach(required ZIP ARCHIVE DEMO_DIR FILES)
  if(NOT DEFINED ${required})
    message(FATAL_ERROR "MakeDemoArchive.cmake needs -D${required}=...")
  endif()
endforeach()

set(image_mark "24494d47")
file(GLOB candidates LIST_DIRECTORIES false ${DEMO_DIR}/*)
foreach(candidate IN LISTS candidates)
  file(READ ${candidate} mark LIMIT 4 HEX)
  if(mark STREQUAL image_mark)
    list(APPEND FILES ${candidate})
  endif()
endforeach()

# zip adds to an archive that is already there; start from nothing so that no file of an
# earlier build stays in it.
file(REMOVE ${ARCHIVE})
execute_process(COMMAND ${ZIP} -q -j -X ${ARCHIVE} ${FILES} RESULT_VARIABLE result)
if(NOT result EQUAL 0)
  message(FATAL_ERROR "zip could not make ${ARCHIVE}")
endif()
