# The x64 zip's native plug-in in the 64-bit FAR 3 under wine64, driven by
# far3x64_e2e.py. FAR is HASHKEEP_FAR3X64_PROGRAM, or build.sh's, built once
# into its 64-bit cache (about ten minutes on 2 cores the first time).
find_package(Python3 REQUIRED COMPONENTS Interpreter)
find_program(HK_TMUX tmux REQUIRED)
set(HASHKEEP_FAR3X64_PROGRAM "" CACHE FILEPATH "A 64-bit Far.exe to test in, instead of build.sh's")
set(HASHKEEP_FAR3_SNAPSHOT "$ENV{HASHKEEP_FAR3_SNAPSHOT}" CACHE PATH "FAR 3's snapshot (build.sh)")
set(FAR3X64_PROGRAM "${HASHKEEP_FAR3X64_PROGRAM}")
if(NOT FAR3X64_PROGRAM)
  set(snapshot "${HASHKEEP_FAR3_SNAPSHOT}")
  if(NOT snapshot)
    set(snapshot "${PROJECT_SOURCE_DIR}/../shared/far3")
  endif()
  # From a private copy, as the far3 mode runs it (cmake/snapshot-build.sh);
  # an empty folder is build.sh's own 64-bit cache.
  set(far3_build "${snapshot}/build.sh")
  set(far3_log "${PROJECT_BINARY_DIR}/far3x64-build.log")
  message(STATUS "far3x64: building the 64-bit FAR 3 once through ${far3_build} "
                 "(about 5 minutes on 2 cores the first time)")
  execute_process(COMMAND bash "${PROJECT_SOURCE_DIR}/cmake/snapshot-build.sh" "${far3_build}" "" 64
    OUTPUT_VARIABLE FAR3X64_PROGRAM
    ERROR_FILE "${far3_log}" RESULT_VARIABLE far3_result OUTPUT_STRIP_TRAILING_WHITESPACE)
  if(NOT far3_result EQUAL 0)
    message(FATAL_ERROR "the 64-bit FAR 3's build failed (${far3_result}); see ${far3_log}")
  endif()
endif()
if(NOT EXISTS "${FAR3X64_PROGRAM}")
  message(FATAL_ERROR "no 64-bit Far.exe at '${FAR3X64_PROGRAM}'")
endif()
message(STATUS "far3x64: ${FAR3X64_PROGRAM}")

# The setup packs the zip (CPack builds the tree first), unpacks it, makes
# the 64-bit Wine prefixes; each scenario has its own profile and -u NAME.
set(driver ${Python3_EXECUTABLE} ${CMAKE_CURRENT_SOURCE_DIR}/far3x64_e2e.py
    --far ${FAR3X64_PROGRAM} --work ${PROJECT_BINARY_DIR}/far3x64)
add_test(NAME far3x64_setup COMMAND ${driver}
         --cpack ${CMAKE_CPACK_COMMAND} --cpack-config ${PROJECT_BINARY_DIR}/CPackConfig.cmake setup)
add_test(NAME far3x64_cleanup COMMAND ${driver} cleanup)
set_tests_properties(far3x64_setup PROPERTIES FIXTURES_SETUP far3x64 LABELS far3 TIMEOUT 600)
set_tests_properties(far3x64_cleanup PROPERTIES FIXTURES_CLEANUP far3x64 LABELS far3 TIMEOUT 60)
foreach(scenario menu takeover)
  add_test(NAME far3x64_${scenario} COMMAND ${driver} --limit 90 ${scenario})
  set_tests_properties(far3x64_${scenario} PROPERTIES FIXTURES_REQUIRED far3x64 LABELS far3 TIMEOUT 150)
endforeach()
