# For the scripts CPack runs: runabout_run(COMMAND...) runs a command and stops
# the packaging, with the command's own output, if it fails.
function(runabout_run)
  execute_process(COMMAND ${ARGV} RESULT_VARIABLE status
                  OUTPUT_VARIABLE output ERROR_VARIABLE output)
  if(NOT status EQUAL 0)
    message(FATAL_ERROR "${ARGV}: ${status} ${output}")
  endif()
endfunction()
