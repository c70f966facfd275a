# Runs the failing-allocation build of Runabout under Wine so that its very
# first allocation fails, with Wine's relay trace on, and checks the report:
# exactly one MessageBoxA call with no owner window, the text "Insufficient
# memory", the caption "Runabout" and style 0, then exit status 3. Without a
# display Wine's MessageBoxA returns at once; the trace shows its arguments.
#   cmake -DWINE=<wine64> -DPROGRAM=<exe> -DTRACE=<scratch file>
#         -P fatal_message_box.cmake
set(ENV{RUNABOUT_FAIL_ALLOCATION} 1)
set(ENV{WINEDEBUG} "+relay")
unset(ENV{DISPLAY})
execute_process(
  COMMAND ${WINE} ${PROGRAM} first-program-name.exe second-program-name.exe
  OUTPUT_VARIABLE output ERROR_FILE ${TRACE} RESULT_VARIABLE status)
# The trace is large; keep only the calls.
file(STRINGS ${TRACE} calls REGEX "Call user32\\.MessageBox")
file(REMOVE ${TRACE})

set(report "status ${status}, output [${output}], calls:\n${calls}")
list(LENGTH calls count)
if(NOT status EQUAL 3 OR NOT output STREQUAL "" OR NOT count EQUAL 1)
  message(FATAL_ERROR "${report}")
endif()
if(NOT calls MATCHES
   "Call user32\\.MessageBoxA\\(0+,[0-9a-f]+ \"Insufficient memory\",[0-9a-f]+ \"Runabout\",0+\\)")
  message(FATAL_ERROR "${report}")
endif()
message(STATUS "${calls}")
