# Checks that a Windows program imports exactly the given DLLs and is built
# for the given subsystem, reading its headers with objdump -p.
#   cmake -DOBJDUMP=<objdump> -DPROGRAM=<exe> -DIMPORTS=<dll,dll...>
#         -DSUBSYSTEM=<"Windows CUI" or "Windows GUI"> -P check_imports.cmake
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
string(REGEX MATCH "Subsystem[ \t]+[0-9a-f]+[ \t]+\\(([^)]*)\\)" line "${dump}")
if(NOT CMAKE_MATCH_1 STREQUAL SUBSYSTEM)
  message(FATAL_ERROR "${PROGRAM} is for the subsystem [${CMAKE_MATCH_1}], "
          "not [${SUBSYSTEM}]")
endif()
message(STATUS "${PROGRAM} (${SUBSYSTEM}) imports ${names}")
