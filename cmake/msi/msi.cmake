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
# Each program in it carries its file version, and the uninstall entry the
# folder.
include(${CMAKE_CURRENT_LIST_DIR}/../run.cmake)
include(${CMAKE_CURRENT_LIST_DIR}/../sign.cmake)

set(upgrade_code 9FD15317-21B3-4BC4-BF44-19ACB36E4D24)
set(version ${CPACK_PACKAGE_VERSION})
set(epoch $ENV{SOURCE_DATE_EPOCH})  # Checked by source_date_epoch.cmake.

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

# The file version of a Windows program, a.b.c.d, from the fixed part of its
# version record (VS_FIXEDFILEINFO: the signature 0xFEEF04BD, the structure's
# version, then the version's high and low 32 bits, little-endian).
function(runabout_file_version result path)
  file(READ "${path}" hex HEX)
  set(from 0)
  while(TRUE)
    string(SUBSTRING "${hex}" ${from} -1 rest)
    string(FIND "${rest}" "bd04effe" at)
    if(at EQUAL -1)
      message(FATAL_ERROR "${path} has no version record")
    endif()
    math(EXPR at "${from} + ${at}")
    math(EXPR odd "${at} % 2")
    if(odd EQUAL 0)  # On a byte, not across two.
      break()
    endif()
    math(EXPR from "${at} + 1")
  endwhile()
  set(parts "")
  foreach(offset 16 24)  # The high 32 bits, then the low.
    math(EXPR start "${at} + ${offset}")
    string(SUBSTRING "${hex}" ${start} 8 dword)
    string(REGEX REPLACE "(..)(..)(..)(..)" "\\4\\3;\\2\\1" words "${dword}")
    foreach(word ${words})
      math(EXPR number "0x${word}")
      list(APPEND parts ${number})
    endforeach()
  endforeach()
  list(JOIN parts "." version)
  set(${result} ${version} PARENT_SCOPE)
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

# The cabinet takes each file's modification time. The summary
# information's creation and last-saved times come from the clock, so wixl
# and msibuild run on one stopped at SOURCE_DATE_EPOCH (faketime, given the
# time in UTC; string(TIMESTAMP) gives SOURCE_DATE_EPOCH's). Only -f stops
# it: given the time alone, faketime starts its clock there and lets it run,
# so a build that crosses a second gives another time.
file(GLOB_RECURSE files "${stage}/*")
runabout_run(touch -h -d @${epoch} ${files})
string(TIMESTAMP stopped "%Y-%m-%d %H:%M:%S" UTC)
set(at_epoch env TZ=UTC ${CPACK_RUNABOUT_FAKETIME} -f "${stopped}")
file(REMOVE "${msi}")
# wixl reads the files by paths relative to its current folder.
runabout_run(${CMAKE_COMMAND} -E chdir "${stage}" ${at_epoch}
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
runabout_run(${at_epoch} ${CPACK_RUNABOUT_MSIBUILD} "${msi}"
  -i "${work}/Environment.idt"
  -q "INSERT INTO `InstallExecuteSequence` (`Action`, `Sequence`) VALUES ('RemoveEnvironmentStrings', 3300)"
  -q "INSERT INTO `InstallExecuteSequence` (`Action`, `Sequence`) VALUES ('WriteEnvironmentStrings', 5200)")

# What wixl leaves out of the File table: each program's file version (and
# language, U.S. English, as in its version record), read from the program
# itself, so that Windows Installer compares versions before it replaces a
# program; the hash wixl gives every file is only for unversioned ones. And
# the uninstall entry's InstallLocation, from ARPINSTALLLOCATION, set to the
# folder once it is known (after CostFinalize).
set(versions "")
file(GLOB_RECURSE programs RELATIVE "${stage}" "${stage}/*.exe")
foreach(program ${programs})
  runabout_file_version(file_version "${stage}/${program}")
  string(MAKE_C_IDENTIFIER "${program}" id)
  list(APPEND versions
    -q "UPDATE `File` SET `Version` = '${file_version}', `Language` = '1033' WHERE `File` = '${id}'"
    -q "DELETE FROM `MsiFileHash` WHERE `File_` = '${id}'")
endforeach()
runabout_run(${at_epoch} ${CPACK_RUNABOUT_MSIBUILD} "${msi}" ${versions}
  -q "INSERT INTO `CustomAction` (`Action`, `Type`, `Source`, `Target`) VALUES ('SetARPINSTALLLOCATION', 51, 'ARPINSTALLLOCATION', '[INSTALLDIR]')"
  -q "INSERT INTO `InstallExecuteSequence` (`Action`, `Sequence`) VALUES ('SetARPINSTALLLOCATION', 1001)")

# The package code, in place of wixl's random one.
file(READ "${wxs}" template)
file(READ "${CMAKE_CURRENT_LIST_FILE}" script)
string(SHA256 inputs "${template}${script}${digest}")
runabout_msi_code(package_code "package ${version} ${inputs}")
# Not through runabout_run(): the template "x64;1033" would fall apart as a
# list.
execute_process(COMMAND ${at_epoch} ${CPACK_RUNABOUT_MSIBUILD} "${msi}"
  -s "Runabout ${version}" "${CPACK_PACKAGE_VENDOR}" "x64;1033"
  "{${package_code}}" COMMAND_ERROR_IS_FATAL ANY)


runabout_signing(signing)
if(signing)
  runabout_sign("${msi}")
endif()
file(CHMOD "${msi}" FILE_PERMISSIONS OWNER_READ OWNER_WRITE GROUP_READ
     WORLD_READ)
set(CPACK_EXTERNAL_BUILT_PACKAGES "${msi}")
