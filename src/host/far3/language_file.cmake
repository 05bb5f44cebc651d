# cmake -DSOURCE=X.lng -DTARGET=Y.lng -P language_file.cmake: X, in code
# page 866, as UTF-8 with a byte-order mark, which FAR 3 needs to read a
# native plug-in's language file as UTF-8.
find_program(ICONV iconv REQUIRED)
get_filename_component(folder ${TARGET} DIRECTORY)
file(MAKE_DIRECTORY ${folder})
execute_process(COMMAND ${ICONV} -f CP866 -t UTF-8 ${SOURCE}
  OUTPUT_VARIABLE text RESULT_VARIABLE result)
if(NOT result EQUAL 0)
  message(FATAL_ERROR "iconv could not read ${SOURCE} as code page 866")
endif()
string(ASCII 239 187 191 mark)
file(WRITE ${TARGET} "${mark}${text}")
