# CPack runs this after it has built the packages (CPACK_POST_BUILD_SCRIPTS)
# and it rebuilds each from its own contents, so that the same sources give
# the same bytes whoever builds them, wherever and whenever. CPack already
# takes the members' modification times from SOURCE_DATE_EPOCH; what it still
# lets in is mended here with Debian's tools:
# - zip: members in file-system order, DOS times in the local time zone, the
#   builder's user and group: strip-nondeterminism sorts the members and sets
#   times, modes (0644, or 0755 for programs) and owners;
# - tar.gz: directory modes from the umask, the builder as owner, file-system
#   order: GNU tar writes its folders and files again, sorted by name, owned
#   by root, folders and programs 0755 and other files 0644, and gzip -n adds
#   no name or time of its own;
# - deb: the ar members' modes from the umask: dpkg-deb builds it again from
#   its unpacked contents, owned by root, stamped with SOURCE_DATE_EPOCH.
include(${CMAKE_CURRENT_LIST_DIR}/run.cmake)
set(epoch $ENV{SOURCE_DATE_EPOCH})  # Checked by source_date_epoch.cmake.

foreach(package ${CPACK_PACKAGE_FILES})
  # The tar.gz and the .deb are unpacked here and built again from it.
  set(work "${package}.unpacked")
  file(REMOVE_RECURSE "${work}")
  if(package MATCHES "\\.zip$")
    find_program(strip_nondeterminism strip-nondeterminism)
    if(NOT strip_nondeterminism)
      message(FATAL_ERROR "a reproducible zip needs strip-nondeterminism")
    endif()
    runabout_run(${strip_nondeterminism} --type zip --timestamp ${epoch} "${package}")
  elseif(package MATCHES "\\.tar\\.gz$")
    file(MAKE_DIRECTORY "${work}")
    runabout_run(tar -xzf "${package}" -C "${work}")
    # Folders and files, sorted by their bytes, so each folder comes before
    # what it holds. The folder entries make the folders that tar has to
    # create readable by all, whatever the umask of whoever unpacks it; with
    # --no-overwrite-dir, as the README says, those that exist keep their
    # owners, modes and times.
    file(GLOB_RECURSE members LIST_DIRECTORIES true RELATIVE "${work}"
         "${work}/*")
    list(SORT members)
    runabout_run(${CMAKE_COMMAND} -E env LC_ALL=C
        tar -cf "${package}.tar" -C "${work}" --no-recursion --format=gnu
        --mtime=@${epoch} --owner=0 --group=0 --numeric-owner
        --mode=u=rwX,go=rX ${members})
    execute_process(COMMAND gzip -9 -n -c "${package}.tar"
                    OUTPUT_FILE "${package}" RESULT_VARIABLE status)
    if(NOT status EQUAL 0)
      message(FATAL_ERROR "gzip of ${package} failed")
    endif()
    file(REMOVE "${package}.tar")
  elseif(package MATCHES "\\.deb$")
    runabout_run(dpkg-deb --raw-extract "${package}" "${work}")
    # The package's root directory is this one, made under the umask; and
    # dpkg-deb takes the control directory only with modes 0755 to 0775.
    file(CHMOD "${work}" "${work}/DEBIAN" DIRECTORY_PERMISSIONS
         OWNER_READ OWNER_WRITE OWNER_EXECUTE GROUP_READ GROUP_EXECUTE
         WORLD_READ WORLD_EXECUTE)
    runabout_run(dpkg-deb --root-owner-group -Zgzip -z9 --build "${work}" "${package}")
  endif()
  file(REMOVE_RECURSE "${work}")
  # The package file itself readable by all, whatever the umask.
  file(CHMOD "${package}" FILE_PERMISSIONS OWNER_READ OWNER_WRITE GROUP_READ
       WORLD_READ)
endforeach()
