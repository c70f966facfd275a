# CPack runs this after it has installed the project into a package's staging
# tree and before it builds the package. For the RPM it gives the tree the
# layout of Fedora's and openSUSE's packages, from whatever the install rules
# put there, so that the package's file list follows them:
#   usr/share/man/man*/*.gz                the manual pages, compressed
#   usr/share/licenses/runabout/LICENSE    the licence, which CPack marks as one
#   usr/share/doc/runabout/...             the other documents, as installed
# The programs, already stripped, also lose the compiler's notes, as in the
# Debian package; and every file and folder takes SOURCE_DATE_EPOCH as its
# time, as rpmbuild only lowers later times to it (and a checkout may hold
# older ones). rpm's own post-install scripts are off (packaging.cmake), so
# that this is all that changes the tree.
#
# CPack takes no RPM in a folder whose path holds a space, which rpmbuild
# could not read: the RPM is then built through a link to CPack's folder from
# one without, /tmp/runabout-rpm-HASH, which stays behind, as CPack copies
# the package out through it after every script it runs; the next such build
# removes the links whose folders are gone.
if(NOT CPACK_GENERATOR STREQUAL "RPM")
  return()
endif()
if(CPACK_TOPLEVEL_DIRECTORY MATCHES " ")
  file(GLOB links "/tmp/runabout-rpm-*")
  foreach(stale IN LISTS links)
    if(IS_SYMLINK "${stale}" AND NOT EXISTS "${stale}")
      file(REMOVE "${stale}")
    endif()
  endforeach()
  string(MD5 key "${CPACK_TOPLEVEL_DIRECTORY}")
  set(link "/tmp/runabout-rpm-${key}")
  file(REMOVE "${link}")
  file(CREATE_LINK "${CPACK_TOPLEVEL_DIRECTORY}" "${link}" SYMBOLIC)
  set(CPACK_TOPLEVEL_DIRECTORY "${link}")
endif()
include(${CMAKE_CURRENT_LIST_DIR}/../run.cmake)
set(usr "${CPACK_TEMPORARY_DIRECTORY}${CPACK_PACKAGING_INSTALL_PREFIX}")

# The package's changelog, whose latest entry must be this very version.
set(rpm_version "${CPACK_PACKAGE_VERSION}-${CPACK_RPM_PACKAGE_RELEASE}")
file(STRINGS "${CPACK_RPM_CHANGELOG_FILE}" latest LIMIT_COUNT 1)
if(NOT latest MATCHES " - ${rpm_version}$")
  message(FATAL_ERROR "${CPACK_RPM_CHANGELOG_FILE} has no entry for "
          "${rpm_version} at the top: ${latest}")
endif()

file(GLOB pages "${usr}/share/man/man*/*")
foreach(page IN LISTS pages)
  runabout_gzip("${page}" "${page}.gz")
  file(REMOVE "${page}")
endforeach()

file(MAKE_DIRECTORY "${usr}/share/licenses/runabout")
file(RENAME "${usr}/share/doc/runabout/LICENSE"
     "${usr}/share/licenses/runabout/LICENSE")

file(GLOB programs "${usr}/bin/*")
foreach(program IN LISTS programs)
  runabout_run("${CPACK_RUNABOUT_STRIP}" --remove-section=.comment
               --remove-section=.note "${program}")
endforeach()

file(CHMOD_RECURSE "${usr}" DIRECTORY_PERMISSIONS OWNER_READ OWNER_WRITE
     OWNER_EXECUTE GROUP_READ GROUP_EXECUTE WORLD_READ WORLD_EXECUTE)
runabout_run(find "${CPACK_TEMPORARY_DIRECTORY}" -exec touch --no-dereference
             --date=@$ENV{SOURCE_DATE_EPOCH} -- {} +)
