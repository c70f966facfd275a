# CPack's External generator runs this (CPACK_EXTERNAL_PACKAGE_SCRIPT) once it
# has installed the project into its staging tree, as it does for the zip:
# it builds runabout-<version>-win64.msi from that tree with wixl, so the
# install rules in packaging.cmake are the one list of files for both.
#
# The package installs per machine into [ProgramFiles64Folder]Runabout, puts
# that folder on the machine's PATH and takes it off again on removal;
# a newer version replaces an older one (MajorUpgrade) and an older one is
# refused. Everything in it is fixed by the sources:
# - the UpgradeCode below, the same for every version for ever;
# - the ProductCode, a name-based UUID of the version; each component's
#   code, one of the file's path; the package code, one of the version and
#   every input's bytes, so that different packages never share one;
# - the summary information's times and the cabinet's file times,
#   SOURCE_DATE_EPOCH.
include(${CMAKE_CURRENT_LIST_DIR}/../sign.cmake)

set(upgrade_code 9FD15317-21B3-4BC4-BF44-19ACB36E4D24)
set(version ${CPACK_PACKAGE_VERSION})
set(epoch $ENV{SOURCE_DATE_EPOCH})
if(NOT epoch MATCHES "^[0-9]+$")
  message(FATAL_ERROR "SOURCE_DATE_EPOCH is not set (source_date_epoch.cmake)")
endif()

# Windows Installer reads major.minor.build, at most 255.255.65535, and
# compares only those three parts: a version it cannot carry is refused
# rather than packaged under another.
set(carried FALSE)
if(version MATCHES "^([0-9]+)\\.([0-9]+)(\\.([0-9]+))?$")
  if(CMAKE_MATCH_1 LESS_EQUAL 255 AND CMAKE_MATCH_2 LESS_EQUAL 255 AND
     "0${CMAKE_MATCH_4}" LESS_EQUAL 65535)
    set(carried TRUE)
  endif()
endif()
if(NOT carried)
  message(FATAL_ERROR "No MSI of version ${version}: an MSI's ProductVersion "
          "is major.minor or major.minor.build, with major and minor at most "
          "255 and build at most 65535; Windows Installer ignores a fourth "
          "part.")
endif()

# A name-based (SHA-1) UUID in the UpgradeCode's namespace.
function(runabout_msi_code result name)
  string(UUID code NAMESPACE ${upgrade_code} NAME "${name}" TYPE SHA1 UPPER)
  set(${result} ${code} PARENT_SCOPE)
endfunction()

# Text for an XML attribute.
function(runabout_xml result text)
  string(REPLACE "&" "&amp;" text "${text}")
  string(REPLACE "<" "&lt;" text "${text}")
  string(REPLACE ">" "&gt;" text "${text}")
  string(REPLACE "\"" "&quot;" text "${text}")
  set(${result} "${text}" PARENT_SCOPE)
endfunction()

set(stage "${CPACK_TEMPORARY_DIRECTORY}")
set(work "${CPACK_TOPLEVEL_DIRECTORY}")
set(msi "${work}/${CPACK_PACKAGE_FILE_NAME}.msi")

# The staging tree as WiX elements: a Directory per folder and a Component
# per file, the file its key path, under identifiers made of its path.
# Appends to the variables `tree`, `refs` and `digest` (each file's path and
# SHA-256) in the caller's scope.
function(runabout_msi_folder folder indent)
  file(GLOB entries LIST_DIRECTORIES true RELATIVE "${stage}"
       "${stage}/${folder}*")
  list(SORT entries)
  foreach(entry ${entries})
    string(REGEX REPLACE "^.*/" "" name "${entry}")
    string(MAKE_C_IDENTIFIER "${entry}" id)
    runabout_xml(xml_name "${name}")
    if(IS_DIRECTORY "${stage}/${entry}")
      string(APPEND tree "${indent}<Directory Id=\"dir_${id}\" Name=\"${xml_name}\">\n")
      runabout_msi_folder("${entry}/" "${indent}  ")
      string(APPEND tree "${indent}</Directory>\n")
    else()
      if(id IN_LIST ids)
        message(FATAL_ERROR "two files make the identifier ${id}")
      endif()
      list(APPEND ids ${id})
      runabout_msi_code(guid "component ${entry}")
      runabout_xml(source "${entry}")
      string(APPEND tree
        "${indent}<Component Id=\"${id}\" Guid=\"${guid}\" Win64=\"yes\">\n"
        "${indent}  <File Id=\"${id}\" Name=\"${xml_name}\" Source=\"${source}\" KeyPath=\"yes\"/>\n"
        "${indent}</Component>\n")
      string(APPEND refs "      <ComponentRef Id=\"${id}\"/>\n")
      file(SHA256 "${stage}/${entry}" sum)
      string(APPEND digest "${entry} ${sum}\n")
    endif()
  endforeach()
  foreach(variable tree refs digest ids)
    set(${variable} "${${variable}}" PARENT_SCOPE)
  endforeach()
endfunction()

set(tree "")
set(refs "")
set(digest "")
set(ids "")
runabout_msi_folder("" "          ")
string(MAKE_C_IDENTIFIER "runabout.exe" program_component)
if(NOT program_component IN_LIST ids)
  message(FATAL_ERROR "no runabout.exe in ${stage}")
endif()

runabout_msi_code(RUNABOUT_PRODUCT_CODE "product ${version}")
set(RUNABOUT_UPGRADE_CODE ${upgrade_code})
set(RUNABOUT_MSI_VERSION ${version})
runabout_xml(RUNABOUT_MSI_VENDOR "${CPACK_PACKAGE_VENDOR}")
runabout_xml(RUNABOUT_MSI_CONTACT "${CPACK_PACKAGE_CONTACT}")
runabout_xml(RUNABOUT_MSI_SUMMARY "${CPACK_PACKAGE_DESCRIPTION_SUMMARY}")
string(STRIP "${tree}" RUNABOUT_MSI_DIRECTORY)
string(PREPEND RUNABOUT_MSI_DIRECTORY "          ")
string(STRIP "${refs}" RUNABOUT_MSI_COMPONENT_REFS)
string(PREPEND RUNABOUT_MSI_COMPONENT_REFS "      ")
set(wxs "${work}/runabout.wxs")
configure_file(${CMAKE_CURRENT_LIST_DIR}/runabout.wxs.in "${wxs}" @ONLY)

# Runs a command and stops the packaging if it fails.
function(run)
  execute_process(COMMAND ${ARGV} RESULT_VARIABLE status
                  OUTPUT_VARIABLE output ERROR_VARIABLE output)
  if(NOT status EQUAL 0)
    message(FATAL_ERROR "${ARGV}: ${status} ${output}")
  endif()
endfunction()

# The cabinet takes each file's modification time.
file(GLOB_RECURSE files "${stage}/*")
run(touch -h -d @${epoch} ${files})
file(REMOVE "${msi}")
# wixl reads the files by paths relative to its current folder.
run(${CMAKE_COMMAND} -E chdir "${stage}"
    ${CPACK_RUNABOUT_WIXL} --arch x64 --output "${msi}" "${wxs}")

# What wixl cannot write: the folder appended to the machine's PATH with the
# program's component, and taken off again when that is removed. The
# Environment table, in the text form msibuild imports: "=" sets, "-"
# removes on uninstall, "*" names the machine's variable, and "[~];" appends
# to the value there. Its two actions go where Windows Installer's own
# sequences have them.
file(WRITE "${work}/Environment.idt"
  "Environment\tName\tValue\tComponent_\n"
  "s72\tl255\tL255\ts72\n"
  "Environment\tEnvironment\n"
  "PATH\t=-*PATH\t[~];[INSTALLDIR]\t${program_component}\n")
run(${CPACK_RUNABOUT_MSIBUILD} "${msi}" -i "${work}/Environment.idt"
  -q "INSERT INTO `InstallExecuteSequence` (`Action`, `Sequence`) VALUES ('RemoveEnvironmentStrings', 3300)"
  -q "INSERT INTO `InstallExecuteSequence` (`Action`, `Sequence`) VALUES ('WriteEnvironmentStrings', 5200)")

# The package code, in place of wixl's random one.
file(READ "${wxs}" template)
file(READ "${CMAKE_CURRENT_LIST_FILE}" script)
string(SHA256 inputs "${template}${script}${digest}")
runabout_msi_code(package_code "package ${version} ${inputs}")
# Not through run(): the template "x64;1033" would fall apart as a list.
execute_process(COMMAND ${CPACK_RUNABOUT_MSIBUILD} "${msi}"
  -s "Runabout ${version}" "${CPACK_PACKAGE_VENDOR}" "x64;1033"
  "{${package_code}}" COMMAND_ERROR_IS_FATAL ANY)

# The summary information's creation and last-saved times (PID_CREATE_DTM
# 12, PID_LASTSAVE_DTM 13), which wixl takes from the clock, set to
# SOURCE_DATE_EPOCH in place: 100 ns units since 1601, as FILETIME counts.
# The stream is a property set (MS-OLEPS) whose section lists each property's
# offset, found here by its format identifier.
function(runabout_msi_times msi epoch)
  file(READ "${msi}" bytes HEX)
  # Reads the COUNT-byte little-endian number at byte OFFSET of `bytes`.
  macro(number result offset count)
    math(EXPR number_at "2 * (${offset})")
    math(EXPR number_length "2 * ${count}")
    string(SUBSTRING "${bytes}" ${number_at} ${number_length} number_digits)
    string(REGEX REPLACE "(..)" "\\1;" number_pairs "${number_digits}")
    list(REVERSE number_pairs)
    list(JOIN number_pairs "" number_digits)
    math(EXPR ${result} "0x${number_digits}")
  endmacro()
  string(FIND "${bytes}" "e0859ff2f94f6810ab9108002b27b3d9" at)
  math(EXPR odd "${at} % 2")
  if(at LESS 56 OR odd)
    message(FATAL_ERROR "${msi}: no summary information found")
  endif()
  math(EXPR identifier "${at} / 2")
  math(EXPR header "${identifier} - 28")
  number(section "${identifier} + 16" 4)
  math(EXPR section "${header} + ${section}")
  number(count "${section} + 4" 4)
  math(EXPR filetime "(${epoch} + 11644473600) * 10000000" OUTPUT_FORMAT
       HEXADECIMAL)
  string(REGEX REPLACE "^0x" "" filetime "${filetime}")
  string(LENGTH "${filetime}" length)
  math(EXPR padding "16 - ${length}")
  string(REPEAT "0" ${padding} zeros)
  string(REGEX REPLACE "(..)" "\\1;" pairs "${zeros}${filetime}")
  list(REVERSE pairs)
  set(octal "")
  foreach(pair ${pairs})
    math(EXPR value "0x${pair}")
    math(EXPR high "${value} / 64")
    math(EXPR middle "${value} / 8 % 8")
    math(EXPR low "${value} % 8")
    string(APPEND octal "\\${high}${middle}${low}")
  endforeach()
  set(written 0)
  foreach(index RANGE 1 ${count})
    number(pid "${section} + 8 * ${index}" 4)
    number(offset "${section} + 8 * ${index} + 4" 4)
    number(type "${section} + ${offset}" 4)
    if((pid EQUAL 12 OR pid EQUAL 13) AND type EQUAL 64)  # VT_FILETIME
      math(EXPR value "${section} + ${offset} + 4")
      run(sh -c "printf '${octal}' | dd of=\"$0\" bs=1 seek=$1 conv=notrunc status=none"
          "${msi}" ${value})
      math(EXPR written "${written} + 1")
    endif()
  endforeach()
  if(NOT written EQUAL 2)
    message(FATAL_ERROR "${msi}: ${written} of the 2 summary times set")
  endif()
endfunction()
runabout_msi_times("${msi}" ${epoch})

runabout_signing(signing)
if(signing)
  runabout_sign("${msi}")
endif()
file(CHMOD "${msi}" FILE_PERMISSIONS OWNER_READ OWNER_WRITE GROUP_READ
     WORLD_READ)
set(CPACK_EXTERNAL_BUILT_PACKAGES "${msi}")
