# CPack reads this before it builds each package (CPACK_PROJECT_CONFIG_FILE).
# Every time stamp in the packages is SOURCE_DATE_EPOCH, as
# reproducible-builds.org defines it, which CPack's generators, dpkg-deb and
# the rebuild in reproducible.cmake all honour: the caller's value, else the
# time of the source tree's last commit, else the first second of 2026, the
# year of Runabout 1.0.
if(NOT DEFINED ENV{SOURCE_DATE_EPOCH})
  set(epoch 1767225600)
  # Only the source tree's own repository counts, not one it happens to sit
  # in, such as a home directory kept in git.
  execute_process(COMMAND git rev-parse --show-toplevel
    WORKING_DIRECTORY "${CPACK_RUNABOUT_SOURCE_DIR}"
    OUTPUT_VARIABLE top OUTPUT_STRIP_TRAILING_WHITESPACE
    RESULT_VARIABLE status ERROR_QUIET)
  if(status EQUAL 0)
    file(REAL_PATH "${top}" top)
    file(REAL_PATH "${CPACK_RUNABOUT_SOURCE_DIR}" source)
    if(top STREQUAL source)
      execute_process(COMMAND git log -1 --format=%ct
        WORKING_DIRECTORY "${CPACK_RUNABOUT_SOURCE_DIR}"
        OUTPUT_VARIABLE committed OUTPUT_STRIP_TRAILING_WHITESPACE
        ERROR_QUIET)
      if(committed MATCHES "^[0-9]+$")
        set(epoch ${committed})
      endif()
    endif()
  endif()
  set(ENV{SOURCE_DATE_EPOCH} ${epoch})
endif()
# The packaging scripts take it as it is from here on.
if(NOT "$ENV{SOURCE_DATE_EPOCH}" MATCHES "^[0-9]+$")
  message(FATAL_ERROR "SOURCE_DATE_EPOCH is \"$ENV{SOURCE_DATE_EPOCH}\", "
    "not a number of seconds since 1970")
endif()
# Run as a script (cmake -DCPACK_RUNABOUT_SOURCE_DIR=... -P this file), it
# prints the time on standard output, for scripts/package.
if(CMAKE_SCRIPT_MODE_FILE STREQUAL CMAKE_CURRENT_LIST_FILE)
  execute_process(COMMAND ${CMAKE_COMMAND} -E echo "$ENV{SOURCE_DATE_EPOCH}")
endif()
