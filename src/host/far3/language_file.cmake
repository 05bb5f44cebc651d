# cmake -DSOURCE=X.lng -DTARGET=Y.lng -P language_file.cmake: X, in code
# page 866, as UTF-8 with a byte-order mark, which FAR 3 needs to read a
# native plug-in's language file as UTF-8; every other byte (the CR LF line
# ends) as it is.
find_program(ICONV iconv REQUIRED)
get_filename_component(folder ${TARGET} DIRECTORY)
file(MAKE_DIRECTORY ${folder})
string(ASCII 239 187 191 mark)
file(WRITE ${TARGET}.mark "${mark}")
execute_process(COMMAND ${ICONV} -f CP866 -t UTF-8 ${SOURCE}
  OUTPUT_FILE ${TARGET}.text RESULT_VARIABLE result)
if(NOT result EQUAL 0)
  message(FATAL_ERROR "iconv could not read ${SOURCE} as code page 866")
endif()
execute_process(COMMAND ${CMAKE_COMMAND} -E cat ${TARGET}.mark ${TARGET}.text
  OUTPUT_FILE ${TARGET} RESULT_VARIABLE result)
file(REMOVE ${TARGET}.mark ${TARGET}.text)
if(NOT result EQUAL 0)
  message(FATAL_ERROR "could not write ${TARGET}")
endif()
