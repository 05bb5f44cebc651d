# Strips a copy of the plug-in DLL as the release package does and fails if
# the copy has reached LIMIT bytes.
# -DSTRIP= -DDLL= -DCOPY= -DLIMIT=
cmake_minimum_required(VERSION 3.25)

file(COPY_FILE ${DLL} ${COPY})
execute_process(COMMAND ${STRIP} ${COPY} RESULT_VARIABLE status ERROR_VARIABLE error)
if(NOT status EQUAL 0)
  message(FATAL_ERROR "${STRIP} failed on ${COPY} (${status}): ${error}")
endif()
file(SIZE ${COPY} size)
math(EXPR kib "${size} / 1024")
math(EXPR limit_kib "${LIMIT} / 1024")
if(size GREATER_EQUAL LIMIT)
  message(FATAL_ERROR "the stripped plug-in has ${size} bytes (${kib} KiB), the limit is ${LIMIT} (${limit_kib} KiB)")
endif()
message(STATUS "the stripped plug-in has ${size} bytes (${kib} KiB), under the limit of ${LIMIT} (${limit_kib} KiB)")
