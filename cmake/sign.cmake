# Authenticode signing of the Windows release files, with osslsigncode, when a
# signing key is given, in one of two ways:
# - RUNABOUT_SIGN_PKCS11_MODULE, RUNABOUT_SIGN_PKCS11_KEY and
#   RUNABOUT_SIGN_CERT: a key that never leaves its token or HSM, named by its
#   PKCS#11 URI and reached through the token's PKCS#11 module (OpenSSL's
#   pkcs11 engine loads it), with its certificate chain in a PEM file; the
#   token's PIN in RUNABOUT_SIGN_PASSWORD;
# - RUNABOUT_SIGN_PKCS12: a PKCS#12 file holding the key and certificate, its
#   password in RUNABOUT_SIGN_PASSWORD.
# Without either nothing is signed and nothing changes.
# cmake/sign_programs.cmake signs the programs before CPack packs them;
# cmake/msi/msi.cmake signs the MSI it has built.
#
# SHA-256, and the signing time is SOURCE_DATE_EPOCH, so that one key and one
# commit give the same signed bytes. RUNABOUT_SIGN_TIMESTAMP_URL, when set,
# names an RFC 3161 time-stamping service whose countersignature keeps the
# signature valid after the certificate expires; its answer differs at every
# signing.

# Whether a signing key is given.
function(runabout_signing result)
  if("$ENV{RUNABOUT_SIGN_PKCS12}$ENV{RUNABOUT_SIGN_PKCS11_KEY}" STREQUAL "")
    set(${result} FALSE PARENT_SCOPE)
  else()
    set(${result} TRUE PARENT_SCOPE)
  endif()
endfunction()

# The osslsigncode arguments that name the key and its certificates, but for
# a key URI, whose semicolons would split a CMake list: the shell adds that
# from the environment.
function(runabout_signing_key result)
  set(pkcs12 "$ENV{RUNABOUT_SIGN_PKCS12}")
  set(key "$ENV{RUNABOUT_SIGN_PKCS11_KEY}")
  if(NOT pkcs12 STREQUAL "" AND NOT key STREQUAL "")
    message(FATAL_ERROR "RUNABOUT_SIGN_PKCS12 and RUNABOUT_SIGN_PKCS11_KEY "
      "are both set: sign with one key")
  elseif(NOT pkcs12 STREQUAL "")
    if(NOT EXISTS "${pkcs12}")
      message(FATAL_ERROR "RUNABOUT_SIGN_PKCS12 names ${pkcs12}, which is not there")
    endif()
    set(${result} -pkcs12 "${pkcs12}" PARENT_SCOPE)
  else()
    if(NOT key MATCHES "^pkcs11:" OR key MATCHES "pin-(value|source)=")
      message(FATAL_ERROR "RUNABOUT_SIGN_PKCS11_KEY is not a pkcs11: URI "
        "without a PIN (the PIN goes in RUNABOUT_SIGN_PASSWORD)")
    endif()
    foreach(variable RUNABOUT_SIGN_PKCS11_MODULE RUNABOUT_SIGN_CERT)
      if(NOT EXISTS "$ENV{${variable}}")
        message(FATAL_ERROR "a key on a token needs ${variable}, which names "
          "\"$ENV{${variable}}\", not a file")
      endif()
    endforeach()
    set(${result} -pkcs11module "$ENV{RUNABOUT_SIGN_PKCS11_MODULE}"
        -certs "$ENV{RUNABOUT_SIGN_CERT}" PARENT_SCOPE)
  endif()
endfunction()

# Signs FILE in place; the file keeps its mode.
function(runabout_sign file)
  runabout_signing_key(key)
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
  # The password or PIN goes through a pipe from the shell's own printf, never
  # on a command line, where other users could read it. osslsigncode hands
  # it to the PKCS#11 engine as the token's PIN.
  set(script "printf '%s' \"$RUNABOUT_SIGN_PASSWORD\" | \"$@\"")
  if("$ENV{RUNABOUT_SIGN_PKCS12}" STREQUAL "")
    string(APPEND script " -key \"$RUNABOUT_SIGN_PKCS11_KEY\"")
  endif()
  execute_process(
    COMMAND sh -c "${script}" sh
      ${osslsigncode} sign ${key} -readpass /dev/stdin
      -h sha256 -n Runabout -time $ENV{SOURCE_DATE_EPOCH} ${timestamp}
      -in "${file}" -out "${signed}"
    RESULT_VARIABLE status OUTPUT_VARIABLE output ERROR_VARIABLE output)
  if(NOT status EQUAL 0)
    file(REMOVE "${signed}")
    message(FATAL_ERROR "signing ${file} failed (${status}): ${output}")
  endif()
  # osslsigncode makes its output under the umask, without the execute bits
  # of a program: the signed bytes go into the file itself (cp onto an
  # existing file keeps its mode), not the output in its place.
  execute_process(COMMAND cp -- "${signed}" "${file}" RESULT_VARIABLE status)
  file(REMOVE "${signed}")
  if(NOT status EQUAL 0)
    message(FATAL_ERROR "signing ${file}: it could not be written")
  endif()
endfunction()
