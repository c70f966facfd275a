# Checks that a Windows program stands alone and is hardened, reading it with
# objdump: it imports exactly the given DLLs, is built for the given
# subsystem, has ASLR (high-entropy too) and DEP, and its functions' stacks
# are guarded (calls to __stack_chk_fail; the program must not be stripped).
# With REFUSED, it imports none of those functions.
#   cmake -DOBJDUMP=<objdump> -DPROGRAM=<exe> -DIMPORTS=<dll,dll...>
#         -DSUBSYSTEM=<"Windows CUI" or "Windows GUI">
#         [-DREFUSED=<function,function...>] -P check_program.cmake
foreach(option -p -d)
  execute_process(COMMAND ${OBJDUMP} ${option} ${PROGRAM}
    OUTPUT_VARIABLE dump${option} RESULT_VARIABLE status)
  if(NOT status EQUAL 0)
    message(FATAL_ERROR "${OBJDUMP} ${option} ${PROGRAM} failed: ${status}")
  endif()
endforeach()
set(dump "${dump-p}")

string(REGEX MATCHALL "DLL Name: [^\r\n]+" names "${dump}")
list(TRANSFORM names REPLACE "^DLL Name: " "")
list(SORT names)
string(REPLACE "," ";" expected "${IMPORTS}")
list(SORT expected)
if(NOT names STREQUAL expected)
  message(FATAL_ERROR "${PROGRAM} imports [${names}], not [${expected}]")
endif()
string(REPLACE "," ";" refused "${REFUSED}")
foreach(function IN LISTS refused)
  if(dump MATCHES "[ \t]${function}[\r\n]")
    message(FATAL_ERROR "${PROGRAM} imports ${function}")
  endif()
endforeach()
string(REGEX MATCH "Subsystem[ \t]+[0-9a-f]+[ \t]+\\(([^)]*)\\)" line "${dump}")
if(NOT CMAKE_MATCH_1 STREQUAL SUBSYSTEM)
  message(FATAL_ERROR "${PROGRAM} is for the subsystem [${CMAKE_MATCH_1}], "
          "not [${SUBSYSTEM}]")
endif()
foreach(flag HIGH_ENTROPY_VA DYNAMIC_BASE NX_COMPAT)
  if(NOT dump MATCHES "DllCharacteristics[^\n]*\n([ \t]+[A-Z_]+\n)*[ \t]+${flag}\n")
    message(FATAL_ERROR "${PROGRAM} lacks ${flag} in its DllCharacteristics")
  endif()
endforeach()
string(REGEX MATCHALL "call [^\n]*<__stack_chk_fail>" guarded "${dump-d}")
list(LENGTH guarded guarded)
if(guarded EQUAL 0)
  message(FATAL_ERROR "${PROGRAM} has no stack protector: nothing calls "
          "__stack_chk_fail")
endif()
message(STATUS "${PROGRAM} (${SUBSYSTEM}) imports ${names}; ASLR, DEP, "
        "${guarded} guarded returns")
