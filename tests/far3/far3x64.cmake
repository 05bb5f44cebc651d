# The native plug-in of the x64 zip, end to end in the 64-bit FAR 3 under
# wine64 (the far3x64 preset): the zip's files, as FAR 3 users install them,
# driven with keys in tmux and judged by the screen and the files. FAR 3 is
# built once for 64 bits by the snapshot's build.sh into its own cache
# (about ten minutes on 2 cores the first time, nothing afterwards).
find_package(Python3 REQUIRED COMPONENTS Interpreter)
find_program(HK_TMUX tmux REQUIRED)

# A Far.exe named here is used as it is; otherwise build.sh makes one.
set(HASHKEEP_FAR3X64_PROGRAM "" CACHE FILEPATH
    "A 64-bit Far.exe to test in, instead of the one build.sh makes")
if(HASHKEEP_FAR3X64_PROGRAM)
  set(FAR3X64_PROGRAM "${HASHKEEP_FAR3X64_PROGRAM}")
else()
  set(far3_snapshot "${PROJECT_SOURCE_DIR}/../shared/far3")
  if(DEFINED ENV{HASHKEEP_FAR3_SNAPSHOT})
    set(far3_snapshot "$ENV{HASHKEEP_FAR3_SNAPSHOT}")
  endif()
  set(HASHKEEP_FAR3_SNAPSHOT "${far3_snapshot}" CACHE PATH
      "FAR 3's snapshot: the folder with build.sh and far3-src.tar.xz")
  if(NOT EXISTS "${HASHKEEP_FAR3_SNAPSHOT}/build.sh")
    message(FATAL_ERROR "FAR 3's snapshot is not at ${HASHKEEP_FAR3_SNAPSHOT} "
                        "(set HASHKEEP_FAR3_SNAPSHOT)")
  endif()
  # By its real path, as the far3 mode calls it (build.sh's stamp holds it);
  # an empty folder argument is build.sh's own 64-bit cache.
  get_filename_component(far3_build "${HASHKEEP_FAR3_SNAPSHOT}/build.sh" REALPATH)
  message(STATUS "far3x64: building the 64-bit FAR 3 once through ${far3_build}")
  set(far3_log "${PROJECT_BINARY_DIR}/far3x64-build.log")
  execute_process(
    COMMAND bash "${far3_build}" "" 64
    OUTPUT_VARIABLE FAR3X64_PROGRAM
    ERROR_FILE "${far3_log}"
    RESULT_VARIABLE far3_result
    OUTPUT_STRIP_TRAILING_WHITESPACE)
  if(NOT far3_result EQUAL 0)
    message(FATAL_ERROR "the 64-bit FAR 3's build failed (${far3_result}); see ${far3_log}")
  endif()
endif()
if(NOT EXISTS "${FAR3X64_PROGRAM}")
  message(FATAL_ERROR "no 64-bit Far.exe at '${FAR3X64_PROGRAM}'")
endif()
message(STATUS "far3x64: ${FAR3X64_PROGRAM}")

# One run: the x64 zip (CPack builds the tree first) unpacked into a
# plug-ins folder and two fresh 64-bit Wine prefixes (the second with
# Russian's code pages), made before the scenarios and ended after them.
# Each scenario starts FAR with its own -u NAME and profile.
set(far3x64_work "${PROJECT_BINARY_DIR}/far3x64")
set(far3x64_driver ${Python3_EXECUTABLE} ${CMAKE_CURRENT_SOURCE_DIR}/far3x64_e2e.py
    --far ${FAR3X64_PROGRAM} --work ${far3x64_work})
add_test(NAME far3x64_setup COMMAND ${far3x64_driver}
         --cpack ${CMAKE_CPACK_COMMAND} --cpack-config ${PROJECT_BINARY_DIR}/CPackConfig.cmake setup)
add_test(NAME far3x64_cleanup COMMAND ${far3x64_driver} cleanup)
set_tests_properties(far3x64_setup PROPERTIES FIXTURES_SETUP far3x64 LABELS far3 TIMEOUT 600)
set_tests_properties(far3x64_cleanup PROPERTIES FIXTURES_CLEANUP far3x64 LABELS far3 TIMEOUT 60)
foreach(scenario menu takeover)
  add_test(NAME far3x64_${scenario} COMMAND ${far3x64_driver} --limit 90 ${scenario})
  set_tests_properties(far3x64_${scenario} PROPERTIES FIXTURES_REQUIRED far3x64 LABELS far3 TIMEOUT 150)
endforeach()
