# Runs a program under Wine, without a display, where it must show one message
# box and end, and checks the box and, optionally, both ways a box can fail:
# 1. With Wine's relay trace on: exactly one MessageBoxA call with no owner
#    window, the text of TEXT_FILE (its last line feed aside), the caption
#    "Runabout" and style 0, then exit status STATUS. Without a display Wine's
#    MessageBoxA returns at once; the trace shows its arguments. Run again
#    untraced, nothing on standard error: the box was the report.
# 2. With FAILING_USER32 (a user32.dll whose MessageBoxA fails, returning 0)
#    beside a copy of the program, and again with a copy for which Wine
#    refuses to load user32.dll at all: exactly the line "Runabout: TEXT" and
#    CR LF on standard error, nothing on standard output, status STATUS. Which
#    user32.dll a copy gets is a per-program DLL override in the prefix's
#    registry; WINEDLLOVERRIDES would also reach the processes of a Wine
#    session that the run starts, which then fail noisily on the same
#    standard error.
#   cmake -DWINE=<wine64> -DPROGRAM=<exe> [-DARGS=<arg;arg...>]
#         -DTEXT_FILE=<file> -DSTATUS=<n> -DSCRATCH=<directory of its own>
#         [-DFAILING_USER32=<dll>] -P message_box.cmake
unset(ENV{DISPLAY})
file(REMOVE_RECURSE ${SCRATCH})
file(MAKE_DIRECTORY ${SCRATCH})
file(READ ${TEXT_FILE} text)
string(REGEX REPLACE "\n$" "" text "${text}")

set(trace ${SCRATCH}/trace.txt)
set(ENV{WINEDEBUG} "+relay")
execute_process(COMMAND ${WINE} ${PROGRAM} ${ARGS}
  OUTPUT_VARIABLE output ERROR_FILE ${trace} RESULT_VARIABLE status)
# The trace is large; keep only the calls.
file(STRINGS ${trace} calls REGEX "Call user32\\.MessageBox")
file(REMOVE ${trace})
set(ENV{WINEDEBUG} "-all")

set(report "with the message box: status ${status}, output [${output}], \
calls:\n${calls}")
list(LENGTH calls count)
if(NOT status EQUAL STATUS OR NOT output STREQUAL "" OR NOT count EQUAL 1)
  message(FATAL_ERROR "${report}")
endif()
# The trace writes the strings as C literals, and cuts a long one short with
# "..." behind its closing quote, which then fails the match.
set(literal_text "([^\"\\\\]|\\\\.)*")
if(NOT calls MATCHES
   "Call user32\\.MessageBoxA\\(0+,[0-9a-f]+ \"(${literal_text})\",[0-9a-f]+ \"Runabout\",0+\\)")
  message(FATAL_ERROR "${report}")
endif()
# The expected text as such a literal: backslashes first.
string(REPLACE "\\" "\\\\" literal "${text}")
string(REPLACE "\"" "\\\"" literal "${literal}")
string(REPLACE "\n" "\\n" literal "${literal}")
if(NOT CMAKE_MATCH_1 STREQUAL literal)
  message(FATAL_ERROR "the box shows [${CMAKE_MATCH_1}], not [${literal}]")
endif()
message(STATUS "${calls}")

# Again without the trace: a box that was shown is the whole report, so
# nothing goes to standard error.
execute_process(COMMAND ${WINE} ${PROGRAM} ${ARGS}
  OUTPUT_VARIABLE output ERROR_VARIABLE error RESULT_VARIABLE status)
if(NOT status EQUAL STATUS OR NOT output STREQUAL "" OR NOT error STREQUAL "")
  message(FATAL_ERROR "with the message box, untraced: status ${status}, \
output [${output}], standard error [${error}]")
endif()

if(NOT FAILING_USER32)
  return()
endif()
# Runs a copy of the program named NAME that Wine gives OVERRIDE as its
# user32.dll and checks that the report went to standard error.
function(expect_line_on_standard_error name override)
  execute_process(
    COMMAND ${WINE} reg add
      "HKCU\\Software\\Wine\\AppDefaults\\${name}\\DllOverrides"
      /v user32 /d "${override}" /f
    OUTPUT_QUIET ERROR_VARIABLE regError RESULT_VARIABLE regStatus)
  if(NOT regStatus EQUAL 0)
    message(FATAL_ERROR "the DLL override could not be set: ${regError}")
  endif()
  configure_file(${PROGRAM} ${SCRATCH}/${name} COPYONLY)
  # To a file, read back as hex: execute_process would turn CR LF into LF.
  execute_process(COMMAND ${WINE} ${SCRATCH}/${name} ${ARGS}
    OUTPUT_VARIABLE output ERROR_FILE ${SCRATCH}/error.txt
    RESULT_VARIABLE status)
  file(READ ${SCRATCH}/error.txt error HEX)
  string(HEX "Runabout: ${text}\r\n" expected)
  if(NOT status EQUAL STATUS OR NOT output STREQUAL "" OR
     NOT error STREQUAL expected)
    message(FATAL_ERROR "${name}: status ${status}, output [${output}], \
standard error in hex [${error}], expected [${expected}]")
  endif()
  message(STATUS "${name}: standard error in hex ${error}")
endfunction()

# Wine looks for a native user32.dll in the program's own directory first.
configure_file(${FAILING_USER32} ${SCRATCH}/user32.dll COPYONLY)
expect_line_on_standard_error(runabout_box_fails.exe native)
expect_line_on_standard_error(runabout_without_user32.exe "")
file(REMOVE_RECURSE ${SCRATCH})
