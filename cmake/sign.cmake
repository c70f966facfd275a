# Authenticode signing of the Windows release files, with osslsigncode, when
# RUNABOUT_SIGN_PKCS12 names a PKCS#12 file holding the key and certificate
# (its password in RUNABOUT_SIGN_PASSWORD). Without it nothing is signed and
# nothing changes. cmake/sign_programs.cmake signs the programs before CPack
# packs them; cmake/msi/msi.cmake signs the MSI it has built.
#
# SHA-256, and the signing time is SOURCE_DATE_EPOCH, so that one key and one
# commit give the same signed bytes. RUNABOUT_SIGN_TIMESTAMP_URL, when set,
# names an RFC 3161 time-stamping service whose countersignature keeps the
# signature valid after the certificate expires; its answer differs at every
# signing.

# Whether a signing key is given.
function(runabout_signing result)
  if("$ENV{RUNABOUT_SIGN_PKCS12}" STREQUAL "")
    set(${result} FALSE PARENT_SCOPE)
  else()
    set(${result} TRUE PARENT_SCOPE)
  endif()
endfunction()

# Signs FILE in place.
function(runabout_sign file)
  set(pkcs12 "$ENV{RUNABOUT_SIGN_PKCS12}")
  if(NOT EXISTS "${pkcs12}")
    message(FATAL_ERROR "RUNABOUT_SIGN_PKCS12 names ${pkcs12}, which is not there")
  endif()
  find_program(osslsigncode osslsigncode)
  if(NOT osslsigncode)
    message(FATAL_ERROR "signing needs osslsigncode (scripts/install-deps --package)")
  endif()
  set(timestamp)
  if(NOT "$ENV{RUNABOUT_SIGN_TIMESTAMP_URL}" STREQUAL "")
    set(timestamp -ts "$ENV{RUNABOUT_SIGN_TIMESTAMP_URL}")
  endif()
  set(signed "${file}.signed")
  file(REMOVE "${signed}")
  # The password goes through a pipe from the shell's own printf, never on a
  # command line, where other users could read it.
  execute_process(
    COMMAND sh -c "printf '%s' \"$RUNABOUT_SIGN_PASSWORD\" | \"$@\"" sh
      ${osslsigncode} sign -pkcs12 "${pkcs12}" -readpass /dev/stdin
      -h sha256 -n Runabout -time $ENV{SOURCE_DATE_EPOCH} ${timestamp}
      -in "${file}" -out "${signed}"
    RESULT_VARIABLE status OUTPUT_VARIABLE output ERROR_VARIABLE output)
  if(NOT status EQUAL 0)
    file(REMOVE "${signed}")
    message(FATAL_ERROR "signing ${file} failed (${status}): ${output}")
  endif()
  file(RENAME "${signed}" "${file}")
endfunction()
