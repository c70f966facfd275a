# Runs the failing-allocation build of Runabout under Wine so that its very
# first allocation fails, and checks both ways the report can go:
# 1. With Wine's relay trace on: exactly one MessageBoxA call with no owner
#    window, the text "Insufficient memory", the caption "Runabout" and style
#    0, then exit status 3. Without a display Wine's MessageBoxA returns at
#    once; the trace shows its arguments.
# 2. A copy for which Wine refuses to load user32.dll: exactly the line
#    "Runabout: Insufficient memory" and CR LF on standard error, nothing on
#    standard output, exit status 3. The refusal is a per-program DLL override
#    in the prefix's registry; WINEDLLOVERRIDES would also reach the processes
#    of a Wine session that the run starts, which then fail noisily on the
#    same standard error.
#   cmake -DWINE=<wine64> -DPROGRAM=<exe> -DSCRATCH=<directory of its own>
#         -P fatal_message_box.cmake
set(ENV{RUNABOUT_FAIL_ALLOCATION} 1)
unset(ENV{DISPLAY})
file(REMOVE_RECURSE ${SCRATCH})
file(MAKE_DIRECTORY ${SCRATCH})

set(trace ${SCRATCH}/trace.txt)
set(ENV{WINEDEBUG} "+relay")
execute_process(
  COMMAND ${WINE} ${PROGRAM} first-program-name.exe second-program-name.exe
  OUTPUT_VARIABLE output ERROR_FILE ${trace} RESULT_VARIABLE status)
# The trace is large; keep only the calls.
file(STRINGS ${trace} calls REGEX "Call user32\\.MessageBox")
file(REMOVE ${trace})
set(ENV{WINEDEBUG} "-all")

set(report "with the message box: status ${status}, output [${output}], \
calls:\n${calls}")
list(LENGTH calls count)
if(NOT status EQUAL 3 OR NOT output STREQUAL "" OR NOT count EQUAL 1)
  message(FATAL_ERROR "${report}")
endif()
if(NOT calls MATCHES
   "Call user32\\.MessageBoxA\\(0+,[0-9a-f]+ \"Insufficient memory\",[0-9a-f]+ \"Runabout\",0+\\)")
  message(FATAL_ERROR "${report}")
endif()
message(STATUS "${calls}")

set(name runabout_without_user32.exe)
execute_process(
  COMMAND ${WINE} reg add
    "HKCU\\Software\\Wine\\AppDefaults\\${name}\\DllOverrides"
    /v user32 /d "" /f
  OUTPUT_QUIET ERROR_VARIABLE regError RESULT_VARIABLE regStatus)
if(NOT regStatus EQUAL 0)
  message(FATAL_ERROR "the DLL override could not be set: ${regError}")
endif()
configure_file(${PROGRAM} ${SCRATCH}/${name} COPYONLY)
# To a file, read back as hex: execute_process would turn CR LF into LF.
execute_process(
  COMMAND ${WINE} ${SCRATCH}/${name} first-program-name.exe
    second-program-name.exe
  OUTPUT_VARIABLE output ERROR_FILE ${SCRATCH}/error.txt
  RESULT_VARIABLE status)
file(READ ${SCRATCH}/error.txt error HEX)
file(REMOVE_RECURSE ${SCRATCH})

string(HEX "Runabout: Insufficient memory\r\n" expected)
if(NOT status EQUAL 3 OR NOT output STREQUAL "" OR NOT error STREQUAL expected)
  message(FATAL_ERROR "without user32.dll: status ${status}, \
output [${output}], standard error in hex [${error}], expected [${expected}]")
endif()
message(STATUS "without user32.dll: standard error in hex ${error}")
