# Checks that a Windows program imports exactly the given DLLs, reading its
# import table with objdump -p.
#   cmake -DOBJDUMP=<objdump> -DPROGRAM=<exe> -DIMPORTS=<dll,dll...>
#         -P check_imports.cmake
execute_process(COMMAND ${OBJDUMP} -p ${PROGRAM}
  OUTPUT_VARIABLE dump RESULT_VARIABLE status)
if(NOT status EQUAL 0)
  message(FATAL_ERROR "${OBJDUMP} -p ${PROGRAM} failed: ${status}")
endif()

string(REGEX MATCHALL "DLL Name: [^\r\n]+" names "${dump}")
list(TRANSFORM names REPLACE "^DLL Name: " "")
list(SORT names)
string(REPLACE "," ";" expected "${IMPORTS}")
list(SORT expected)
if(NOT names STREQUAL expected)
  message(FATAL_ERROR "${PROGRAM} imports [${names}], not [${expected}]")
endif()
message(STATUS "${PROGRAM} imports ${names}")
