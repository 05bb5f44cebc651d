# Builds the release zips with CPack and checks them as a user would get
# them. The plug-in's: exactly one folder with the plug-in, its two language
# files, the guide and the licence; the language files as in the sources;
# the guide and the licence ASCII with CR LF line ends; and the packed DLL
# loaded by the substitute host with its language files beside it, giving
# the transcript EXPECTED for SCENARIO. The tool's: exactly its folder with
# hashkeep.exe, which tells its version, and the licence.
# -DCPACK= -DCONFIG= -DWORK= -DPACKAGE= -DFOLDER= -DCLI_PACKAGE= -DCLI_FOLDER=
# -DLANGUAGES= -DLICENSE= -DVERSION= -DEMULATOR=program|arguments (or empty)
# -DHOST=program|arguments (the emulator first, if any) -DSCENARIO= -DEXPECTED=
cmake_minimum_required(VERSION 3.25)

# Lists ZIP (which must be exactly EXPECTED), unpacks it into WORK/unpacked.
function(check_zip zip)
  set(expected ${ARGN})
  if(NOT EXISTS ${WORK}/${zip})
    message(FATAL_ERROR "cpack made no ${zip}:\n${output}")
  endif()
  execute_process(COMMAND ${CMAKE_COMMAND} -E tar t ${WORK}/${zip}
    RESULT_VARIABLE status OUTPUT_VARIABLE listing ERROR_VARIABLE error)
  if(NOT status EQUAL 0)
    message(FATAL_ERROR "cannot list ${zip}: ${error}")
  endif()
  message(STATUS "${zip}:\n${listing}")
  string(REGEX REPLACE "\n$" "" entries "${listing}")
  string(REPLACE "\n" ";" entries "${entries}")
  list(SORT entries)
  list(SORT expected)
  if(NOT entries STREQUAL expected)
    message(FATAL_ERROR "${zip} holds [${entries}], expected exactly [${expected}]")
  endif()
  execute_process(COMMAND ${CMAKE_COMMAND} -E tar xf ${WORK}/${zip}
    WORKING_DIRECTORY ${WORK}/unpacked RESULT_VARIABLE status ERROR_VARIABLE error)
  if(NOT status EQUAL 0)
    message(FATAL_ERROR "cannot unpack ${zip}: ${error}")
  endif()
endfunction()

# NAME must be printable ASCII with CR LF line ends, ending in one.
function(check_crlf_text file)
  get_filename_component(name ${file} NAME)
  file(READ ${file} text HEX)
  string(LENGTH "${text}" digits)
  if(digits EQUAL 0)
    message(FATAL_ERROR "${name} is empty")
  endif()
  # Bytes as pairs of hex digits: printable ASCII, CR only before LF, LF only after CR.
  string(REGEX MATCHALL "[0-9a-f][0-9a-f]" bytes "${text}")
  set(previous "")
  foreach(byte IN LISTS bytes)
    if(previous STREQUAL "0d" AND NOT byte STREQUAL "0a")
      message(FATAL_ERROR "${name} has a CR without LF")
    endif()
    if(byte STREQUAL "0a" AND NOT previous STREQUAL "0d")
      message(FATAL_ERROR "${name} has a line ended by LF alone")
    endif()
    if(NOT byte MATCHES "^(0d|0a|[2-7][0-9a-f])$" OR byte STREQUAL "7f")
      message(FATAL_ERROR "${name} holds the byte 0x${byte}, which is not printable ASCII")
    endif()
    set(previous ${byte})
  endforeach()
  if(NOT previous STREQUAL "0a")
    message(FATAL_ERROR "${name} does not end with a line end")
  endif()
endfunction()

file(REMOVE_RECURSE ${WORK})
file(MAKE_DIRECTORY ${WORK}/unpacked)
execute_process(COMMAND ${CPACK} --config ${CONFIG} -B ${WORK}
  RESULT_VARIABLE status OUTPUT_VARIABLE output ERROR_VARIABLE output)
if(NOT status EQUAL 0)
  message(FATAL_ERROR "cpack failed (${status}):\n${output}")
endif()
check_zip(${PACKAGE} ${FOLDER}/ ${FOLDER}/Hashkeep.dll ${FOLDER}/HashkeepEng.lng
  ${FOLDER}/HashkeepRus.lng ${FOLDER}/ReadMe.txt ${FOLDER}/LICENSE.txt)
check_zip(${CLI_PACKAGE} ${CLI_FOLDER}/ ${CLI_FOLDER}/hashkeep.exe ${CLI_FOLDER}/LICENSE.txt)
set(folder ${WORK}/unpacked/${FOLDER})

foreach(language HashkeepEng.lng HashkeepRus.lng)
  execute_process(COMMAND ${CMAKE_COMMAND} -E compare_files
    ${LANGUAGES}/${language} ${folder}/${language} RESULT_VARIABLE different)
  if(different)
    message(FATAL_ERROR "${language} in the package differs from ${LANGUAGES}/${language}")
  endif()
endforeach()

check_crlf_text(${folder}/ReadMe.txt)
foreach(licence ${folder}/LICENSE.txt ${WORK}/unpacked/${CLI_FOLDER}/LICENSE.txt)
  check_crlf_text(${licence})
  file(READ ${licence} packed)
  file(READ ${LICENSE} source)
  string(REPLACE "\r\n" "\n" packed "${packed}")
  if(NOT packed STREQUAL source)
    message(FATAL_ERROR "${licence} differs from ${LICENSE}")
  endif()
endforeach()
file(STRINGS ${folder}/ReadMe.txt version_line REGEX "^Version ")
if(NOT version_line STREQUAL "Version ${VERSION}")
  message(FATAL_ERROR "ReadMe.txt names the version as [${version_line}], expected ${VERSION}")
endif()

string(REPLACE "|" ";" emulator "${EMULATOR}")
execute_process(COMMAND ${emulator} ${WORK}/unpacked/${CLI_FOLDER}/hashkeep.exe --version
  RESULT_VARIABLE status OUTPUT_VARIABLE output ERROR_VARIABLE error)
if(NOT status EQUAL 0 OR NOT output MATCHES "^hashkeep ${VERSION}\r?\n$")
  message(FATAL_ERROR "the packed hashkeep.exe --version gives ${status}: ${output}${error}")
endif()

string(REPLACE "|" ";" host "${HOST}")
execute_process(COMMAND ${host} --plugin ${folder}/Hashkeep.dll --expect ${EXPECTED} ${SCENARIO}
  RESULT_VARIABLE status OUTPUT_VARIABLE output ERROR_VARIABLE output)
if(NOT status EQUAL 0)
  message(FATAL_ERROR "the packed plug-in does not run as expected (${status}):\n${output}")
endif()
