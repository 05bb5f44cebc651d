# Fuzz targets. Each entry point (LLVMFuzzerTestOneInput) is built twice:
# a replay program that feeds it the checked-in seeds and the reproducers of
# past findings, a normal test in every build (under Wine too); and, with
# HASHKEEP_FUZZ (the fuzz preset: clang, -fsanitize=fuzzer-no-link with
# AddressSanitizer and UBSan everywhere), a libFuzzer program that
# scripts/fuzz.sh runs on generated inputs.
option(HASHKEEP_FUZZ "Build libFuzzer programs of the fuzz targets (clang only)" OFF)

# hk_add_fuzz_target(name SOURCES ... LIBS ... INPUTS dir...): <name>_replay
# and its test, and <name>_fuzz with HASHKEEP_FUZZ. Inputs that do not exist
# (no reproducer kept yet) are left out.
function(hk_add_fuzz_target name)
  cmake_parse_arguments(F "" "" "SOURCES;LIBS;INPUTS" ${ARGN})
  add_executable(${name}_replay ${F_SOURCES} ${PROJECT_SOURCE_DIR}/tests/fuzz/replay_main.cpp)
  target_link_libraries(${name}_replay PRIVATE ${F_LIBS} hk_warnings)
  target_include_directories(${name}_replay PRIVATE ${PROJECT_SOURCE_DIR}/src)
  set(inputs)
  foreach(input ${F_INPUTS})
    if(EXISTS ${input})
      list(APPEND inputs ${input})
    endif()
  endforeach()
  add_test(NAME ${name}_replay COMMAND ${name}_replay ${inputs})

  if(HASHKEEP_FUZZ)
    add_executable(${name}_fuzz ${F_SOURCES})
    target_link_libraries(${name}_fuzz PRIVATE ${F_LIBS} hk_warnings)
    target_include_directories(${name}_fuzz PRIVATE ${PROJECT_SOURCE_DIR}/src)
    target_link_options(${name}_fuzz PRIVATE -fsanitize=fuzzer)
  endif()
endfunction()
