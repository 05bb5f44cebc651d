# Builds the release zip with CPack and checks it as a user would get it:
# exactly one folder with the plug-in, its two language files and the guide;
# the language files as in the sources; the guide ASCII with CR LF line
# ends; and the packed DLL loaded by the substitute host with its language
# files beside it, giving the transcript EXPECTED for SCENARIO.
# -DCPACK= -DCONFIG= -DWORK= -DPACKAGE= -DFOLDER= -DLANGUAGES= -DVERSION=
# -DHOST=program|arguments (the emulator first, if any) -DSCENARIO= -DEXPECTED=
cmake_minimum_required(VERSION 3.25)

set(expected_files
  ${FOLDER}/
  ${FOLDER}/Hashkeep.dll
  ${FOLDER}/HashkeepEng.lng
  ${FOLDER}/HashkeepRus.lng
  ${FOLDER}/ReadMe.txt)

file(REMOVE_RECURSE ${WORK})
file(MAKE_DIRECTORY ${WORK})
execute_process(COMMAND ${CPACK} --config ${CONFIG} -B ${WORK}
  RESULT_VARIABLE status OUTPUT_VARIABLE output ERROR_VARIABLE output)
if(NOT status EQUAL 0)
  message(FATAL_ERROR "cpack failed (${status}):\n${output}")
endif()
set(zip ${WORK}/${PACKAGE})
if(NOT EXISTS ${zip})
  message(FATAL_ERROR "cpack made no ${PACKAGE}:\n${output}")
endif()

execute_process(COMMAND ${CMAKE_COMMAND} -E tar t ${zip}
  RESULT_VARIABLE status OUTPUT_VARIABLE listing ERROR_VARIABLE error)
if(NOT status EQUAL 0)
  message(FATAL_ERROR "cannot list ${zip}: ${error}")
endif()
message(STATUS "${PACKAGE}:\n${listing}")
string(REGEX REPLACE "\n$" "" entries "${listing}")
string(REPLACE "\n" ";" entries "${entries}")
list(SORT entries)
if(NOT entries STREQUAL expected_files)
  message(FATAL_ERROR "${PACKAGE} holds [${entries}], expected exactly [${expected_files}]")
endif()

set(unpacked ${WORK}/unpacked)
file(MAKE_DIRECTORY ${unpacked})
execute_process(COMMAND ${CMAKE_COMMAND} -E tar xf ${zip}
  WORKING_DIRECTORY ${unpacked} RESULT_VARIABLE status ERROR_VARIABLE error)
if(NOT status EQUAL 0)
  message(FATAL_ERROR "cannot unpack ${zip}: ${error}")
endif()
set(folder ${unpacked}/${FOLDER})

foreach(language HashkeepEng.lng HashkeepRus.lng)
  execute_process(COMMAND ${CMAKE_COMMAND} -E compare_files
    ${LANGUAGES}/${language} ${folder}/${language} RESULT_VARIABLE different)
  if(different)
    message(FATAL_ERROR "${language} in the package differs from ${LANGUAGES}/${language}")
  endif()
endforeach()

file(READ ${folder}/ReadMe.txt guide HEX)
string(LENGTH "${guide}" digits)
if(digits EQUAL 0)
  message(FATAL_ERROR "ReadMe.txt is empty")
endif()
# Bytes as pairs of hex digits: printable ASCII, CR only before LF, LF only after CR.
string(REGEX MATCHALL "[0-9a-f][0-9a-f]" bytes "${guide}")
set(previous "")
foreach(byte IN LISTS bytes)
  if(previous STREQUAL "0d" AND NOT byte STREQUAL "0a")
    message(FATAL_ERROR "ReadMe.txt has a CR without LF")
  endif()
  if(byte STREQUAL "0a" AND NOT previous STREQUAL "0d")
    message(FATAL_ERROR "ReadMe.txt has a line ended by LF alone")
  endif()
  if(NOT byte MATCHES "^(0d|0a|[2-7][0-9a-f])$" OR byte STREQUAL "7f")
    message(FATAL_ERROR "ReadMe.txt holds the byte 0x${byte}, which is not printable ASCII")
  endif()
  set(previous ${byte})
endforeach()
if(NOT previous STREQUAL "0a")
  message(FATAL_ERROR "ReadMe.txt does not end with a line end")
endif()
file(STRINGS ${folder}/ReadMe.txt version_line REGEX "^Version ")
if(NOT version_line STREQUAL "Version ${VERSION}")
  message(FATAL_ERROR "ReadMe.txt names the version as [${version_line}], expected ${VERSION}")
endif()

string(REPLACE "|" ";" host "${HOST}")
execute_process(COMMAND ${host} --plugin ${folder}/Hashkeep.dll --expect ${EXPECTED} ${SCENARIO}
  RESULT_VARIABLE status OUTPUT_VARIABLE output ERROR_VARIABLE output)
if(NOT status EQUAL 0)
  message(FATAL_ERROR "the packed plug-in does not run as expected (${status}):\n${output}")
endif()
