# For the scripts CPack runs.

# runabout_run(COMMAND...) runs a command and stops the packaging, with the
# command's own output, if it fails.
function(runabout_run)
  execute_process(COMMAND ${ARGV} RESULT_VARIABLE status
                  OUTPUT_VARIABLE output ERROR_VARIABLE output)
  if(NOT status EQUAL 0)
    message(FATAL_ERROR "${ARGV}: ${status} ${output}")
  endif()
endfunction()

# runabout_gzip(FILE OUTPUT) writes FILE gzipped as OUTPUT, readable by all:
# maximum compression, and neither name nor time stamp in the header, so the
# same input always gives the same bytes.
function(runabout_gzip file output)
  execute_process(COMMAND gzip -9 -n -c "${file}" OUTPUT_FILE "${output}"
                  COMMAND_ERROR_IS_FATAL ANY)
  file(CHMOD "${output}" FILE_PERMISSIONS OWNER_READ OWNER_WRITE GROUP_READ
       WORLD_READ)
endfunction()
