# hk_add_scenario(NAME SCENARIO EXPECTED PLUGIN target [CONSOLE] [SCREEN|STORY] [FAR2L])
#
# One CTest entry that runs hkhost with the plug-in library built by TARGET
# through SCENARIO and compares the transcript with EXPECTED (paths relative
# to the calling folder); with SCREEN the transcript is the screen one
# (hkhost --screen), with STORY the story (hkhost --story). In the Win32
# build hkhost.exe and the DLL run under Wine; with CONSOLE the run gets a
# pseudo-terminal through script(1), since keys can only be fed into a real
# console there. FAR2L runs hkhost as far2l behaves where the two hosts
# differ.
find_program(HK_SCRIPT_PROGRAM script)

function(hk_add_scenario name scenario expected)
  cmake_parse_arguments(S "CONSOLE;SCREEN;STORY;FAR2L" "PLUGIN" "" ${ARGN})
  if(NOT S_PLUGIN)
    message(FATAL_ERROR "hk_add_scenario(${name}): PLUGIN target is required")
  endif()
  get_filename_component(scenario ${scenario} ABSOLUTE BASE_DIR ${CMAKE_CURRENT_SOURCE_DIR})
  get_filename_component(expected ${expected} ABSOLUTE BASE_DIR ${CMAKE_CURRENT_SOURCE_DIR})
  set(arguments --plugin $<TARGET_FILE:${S_PLUGIN}> --expect ${expected} ${scenario})
  if(S_SCREEN)
    list(PREPEND arguments --screen)
  elseif(S_STORY)
    list(PREPEND arguments --story)
  endif()
  if(S_FAR2L)
    list(PREPEND arguments --host far2l)
  endif()
  if(S_CONSOLE AND CMAKE_CROSSCOMPILING)
    if(NOT HK_SCRIPT_PROGRAM)
      message(FATAL_ERROR "hk_add_scenario(${name}): script(1) is needed for console scenarios")
    endif()
    # script -e hands back the program's exit status.
    list(JOIN arguments "' '" quoted)
    add_test(NAME ${name}
      COMMAND ${HK_SCRIPT_PROGRAM} -qec "'${CMAKE_CROSSCOMPILING_EMULATOR}' '$<TARGET_FILE:hkhost>' '${quoted}'" /dev/null)
  else()
    add_test(NAME ${name} COMMAND hkhost ${arguments})
  endif()
endfunction()
