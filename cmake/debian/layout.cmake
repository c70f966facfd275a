# CPack runs this after it has installed the project into a package's staging
# tree and before it builds the package. For the Debian package it gives the
# tree the layout Debian policy asks for:
#   usr/share/man/man1/*.1.gz                     the manual pages
#   usr/share/doc/runabout/copyright              machine-readable, from LICENSE
#   usr/share/doc/runabout/changelog.gz           CHANGELOG.md
#   usr/share/doc/runabout/changelog.Debian.gz    the package's own changelog
#   usr/share/doc/runabout/README.md.gz           the README, and the guides
#   usr/share/doc/runabout/docs/*.md.gz           the manual page names, beside
#                                                 it as in the sources for the
#                                                 links between them, compressed
#                                                 as policy asks of documents
#                                                 over 4 kB
#   usr/share/lintian/overrides/runabout          the one lintian tag that stays
# and leaves out LICENSE, which the archives carry. The programs, already
# stripped, also lose the compiler's notes, as in Debian's packages.
if(NOT CPACK_GENERATOR STREQUAL "DEB")
  return()
endif()
set(usr "${CPACK_TEMPORARY_DIRECTORY}${CPACK_PACKAGING_INSTALL_PREFIX}")
set(man1 "${usr}/share/man/man1")
set(doc "${usr}/share/doc/runabout")
set(overrides "${usr}/share/lintian/overrides")
set(data_file_permissions OWNER_READ OWNER_WRITE GROUP_READ WORLD_READ)

include(${CMAKE_CURRENT_LIST_DIR}/../run.cmake)  # runabout_gzip

file(GLOB pages "${man1}/*.1")
foreach(page IN LISTS pages)
  runabout_gzip("${page}" "${page}.gz")
endforeach()
runabout_gzip("${doc}/CHANGELOG.md" "${doc}/changelog.gz")
list(TRANSFORM CPACK_RUNABOUT_GUIDES PREPEND docs/ OUTPUT_VARIABLE guides)
foreach(document README.md ${guides})
  runabout_gzip("${doc}/${document}" "${doc}/${document}.gz")
  file(REMOVE "${doc}/${document}")
endforeach()

# A non-native package (its version has a Debian revision) carries its own
# changelog, whose latest entry must be this very version.
set(debian_changelog "${CMAKE_CURRENT_LIST_DIR}/changelog")
set(deb_version "${CPACK_PACKAGE_VERSION}-${CPACK_DEBIAN_PACKAGE_RELEASE}")
file(STRINGS "${debian_changelog}" latest LIMIT_COUNT 1)
if(NOT latest MATCHES "^${CPACK_PACKAGE_NAME} \\(${deb_version}\\) ")
  message(FATAL_ERROR "${debian_changelog} has no entry for ${deb_version} "
          "at the top: ${latest}")
endif()
runabout_gzip("${debian_changelog}" "${doc}/changelog.Debian.gz")

# The copyright file in Debian's machine-readable format, its notice and
# licence text taken from LICENSE. Debian calls the MIT License "Expat".
file(READ "${doc}/LICENSE" license)
if(NOT license MATCHES "^MIT License\n\nCopyright \\(c\\) ([^\n]+)\n\n(.+[^\n])\n*$")
  message(FATAL_ERROR "LICENSE is no longer the MIT License text this "
          "script turns into the Debian copyright file")
endif()
set(notice "${CMAKE_MATCH_1}")
string(REGEX REPLACE "\n\n" "\n.\n" text "${CMAKE_MATCH_2}")
string(REPLACE "\n" "\n " text " ${text}")
file(WRITE "${doc}/copyright"
"Format: https://www.debian.org/doc/packaging-manuals/copyright-format/1.0/
Upstream-Name: Runabout

Files: *
Copyright: ${notice}
License: Expat
${text}
")
file(CHMOD "${doc}/copyright" FILE_PERMISSIONS ${data_file_permissions})

file(MAKE_DIRECTORY "${overrides}")
configure_file("${CMAKE_CURRENT_LIST_DIR}/lintian-overrides"
               "${overrides}/runabout" COPYONLY)
file(CHMOD "${overrides}/runabout" FILE_PERMISSIONS ${data_file_permissions})

file(GLOB programs "${usr}/bin/*")
execute_process(COMMAND "${CPACK_RUNABOUT_STRIP}" --remove-section=.comment
                        --remove-section=.note ${programs}
                COMMAND_ERROR_IS_FATAL ANY)

file(REMOVE ${pages} "${doc}/CHANGELOG.md" "${doc}/LICENSE")
# Directories 0755 whatever the umask.
file(CHMOD_RECURSE "${usr}" DIRECTORY_PERMISSIONS OWNER_READ OWNER_WRITE
     OWNER_EXECUTE GROUP_READ GROUP_EXECUTE WORLD_READ WORLD_EXECUTE)
