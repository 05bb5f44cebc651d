# Runs a command that must fail: checks its exit status and that its error
# output matches a pattern. -DCOMMAND=a|b|c -DSTATUS=n -DMESSAGE=regex
string(REPLACE "|" ";" command "${COMMAND}")
execute_process(COMMAND ${command} RESULT_VARIABLE status OUTPUT_VARIABLE output ERROR_VARIABLE errors)
if(NOT status STREQUAL "${STATUS}")
  message(FATAL_ERROR "exit status ${status}, expected ${STATUS}\n${errors}\n${output}")
endif()
if(NOT errors MATCHES "${MESSAGE}")
  message(FATAL_ERROR "error output does not match \"${MESSAGE}\":\n${errors}")
endif()
