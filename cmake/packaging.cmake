# What `cmake --install` puts in place, and the release archives CPack builds
# from it: runabout-<version>-win64.zip from the Windows build (runabout.exe,
# runaboutw.exe, runabout-check.exe and the documents side by side; to unpack
# anywhere and put on PATH) and runabout-<version>-Linux.tar.gz from the
# native one (a usual prefix tree, runabout and runabout-check with their
# manual pages, the documents in share/doc/runabout; POSIX has no console
# windows, so no runaboutw). Both keep the guides in docs/ beside the README,
# as in the sources, so that the links between them hold.
# On a Debian-family system the native build also gives the Debian package
# runabout_<version>-<revision>_<architecture>.deb (see cmake/debian/), and
# the 64-bit Windows build the MSI runabout-<version>-win64.msi, the same
# files installed per machine (see cmake/msi/).
set(RUNABOUT_DOCUMENTS LICENSE CHANGELOG.md)
if(EXISTS ${PROJECT_SOURCE_DIR}/README.md)
  list(APPEND RUNABOUT_DOCUMENTS README.md)
endif()
# The user's guides, which the README and the manual page point to.
set(RUNABOUT_GUIDES guide.md troubleshooting.md security.md)
list(TRANSFORM RUNABOUT_DOCUMENTS PREPEND ${PROJECT_SOURCE_DIR}/
     OUTPUT_VARIABLE runabout_document_paths)
list(TRANSFORM RUNABOUT_GUIDES PREPEND ${PROJECT_SOURCE_DIR}/docs/
     OUTPUT_VARIABLE runabout_guide_paths)

# The folders the install puts files in, and those of them that are
# Runabout's own, which uninstall.cmake removes too.
if(WIN32)
  set(runabout_install_folders . docs)
  set(runabout_own_folders docs)
else()
  include(GNUInstallDirs)
  set(runabout_doc_folder ${CMAKE_INSTALL_DATAROOTDIR}/doc/runabout)
  set(runabout_install_folders ${CMAKE_INSTALL_BINDIR}
      ${CMAKE_INSTALL_MANDIR}/man1 ${runabout_doc_folder}/docs)
  set(runabout_own_folders ${runabout_doc_folder}/docs ${runabout_doc_folder})
endif()

# install() sets the modes of the files it copies (0644, 0755 for programs),
# but makes folders under the umask of whoever installs, which sudo keeps:
# under umask 077 no other user could read the manual page or the guides. So
# the folders this install makes are made readable by all; those that were
# there before keep their modes.
install(CODE "set(runabout_install_folders \"${runabout_install_folders}\")")
install(CODE [[
  set(runabout_made_folders "")
  foreach(folder IN LISTS runabout_install_folders)
    set(path "$ENV{DESTDIR}${CMAKE_INSTALL_PREFIX}/${folder}")
    while(path AND NOT EXISTS "${path}")
      list(APPEND runabout_made_folders "${path}")
      get_filename_component(path "${path}" DIRECTORY)
    endwhile()
  endforeach()
]])

if(WIN32)
  install(TARGETS runabout runaboutw runabout-check RUNTIME DESTINATION .)
  install(FILES ${runabout_document_paths} DESTINATION .)
  install(FILES ${runabout_guide_paths} DESTINATION docs)
else()
  install(TARGETS runabout runabout-check
          RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
  install(FILES ${PROJECT_SOURCE_DIR}/docs/runabout.1
                ${PROJECT_SOURCE_DIR}/docs/runabout-check.1
          DESTINATION ${CMAKE_INSTALL_MANDIR}/man1)
  install(FILES ${runabout_document_paths} DESTINATION ${runabout_doc_folder})
  install(FILES ${runabout_guide_paths} DESTINATION ${runabout_doc_folder}/docs)
endif()

install(CODE [[
  # chmod adds the bits and leaves the set-group-ID bit a folder may have
  # taken from its parent, as in Debian's /usr/local.
  if(CMAKE_HOST_UNIX AND runabout_made_folders)
    execute_process(COMMAND chmod u+rwx,go+rx -- ${runabout_made_folders}
                    COMMAND_ERROR_IS_FATAL ANY)
  endif()
]])

# Removal: `cmake -P BUILD/uninstall.cmake` takes away what a `cmake
# --install` of this build tree put in place, and the folders of Runabout's
# own. Each install records its files in a file of its own in the build tree,
# one for each folder installed into, so that installs into two folders (one
# with sudo, one without) can each be removed. The record is written last,
# after every install rule of the project, subfolders' included, has run.
configure_file(${PROJECT_SOURCE_DIR}/cmake/uninstall.cmake.in
               ${PROJECT_BINARY_DIR}/uninstall.cmake @ONLY)
function(runabout_install_record)
  install(CODE "set(runabout_records_folder \"${PROJECT_BINARY_DIR}\")")
  install(CODE [[
    # CPack runs the install rules itself, outside script mode, into a
    # staging tree of its own, which is no install to record.
    if(DEFINED CMAKE_SCRIPT_MODE_FILE)
      get_filename_component(root "$ENV{DESTDIR}${CMAKE_INSTALL_PREFIX}"
                             ABSOLUTE)
      string(MD5 key "${root}")
      set(record "${runabout_records_folder}/installed-${key}.txt")
      list(JOIN CMAKE_INSTALL_MANIFEST_FILES "
" lines)
      # The folder is the builder's, the files in it may be another user's
      # (an install with sudo): each is taken away before it is written.
      file(REMOVE "${record}")
      file(WRITE "${record}" "${root}
${lines}
")
      file(CHMOD "${record}" PERMISSIONS OWNER_READ OWNER_WRITE GROUP_READ
           WORLD_READ)
      # CMake writes install_manifest.txt next, over the last install's.
      file(REMOVE "${runabout_records_folder}/install_manifest.txt")
    endif()
  ]])
endfunction()
cmake_language(DEFER DIRECTORY ${PROJECT_SOURCE_DIR}
               CALL runabout_install_record)

set(CPACK_PACKAGE_NAME runabout)
set(CPACK_PACKAGE_VENDOR "the Runabout developers")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "Starts several programs with one command")
# The Debian package's long description: its lines are kept as written.
set(CPACK_PACKAGE_DESCRIPTION [[
Runabout takes each of its arguments as one command and starts the commands
one after another, each in the background of the same terminal through
/bin/sh. It waits only until a command has been handed off, prints nothing,
and ends as soon as the last one has been handed off; the programs it started
run on.]])
set(CPACK_PACKAGE_CONTACT
    "the Runabout developers <developers@runabout.example.org>")
set(CPACK_RESOURCE_FILE_LICENSE ${PROJECT_SOURCE_DIR}/LICENSE)
set(CPACK_STRIP_FILES ON)
# Packages that anyone can rebuild to the byte: one source of time, and each
# package rebuilt without what the builder's machine would let in.
set(CPACK_RUNABOUT_SOURCE_DIR ${PROJECT_SOURCE_DIR})
set(CPACK_PROJECT_CONFIG_FILE ${PROJECT_SOURCE_DIR}/cmake/source_date_epoch.cmake)
set(CPACK_POST_BUILD_SCRIPTS ${PROJECT_SOURCE_DIR}/cmake/reproducible.cmake)
if(NOT WIN32)
  set(runabout_system ${CMAKE_SYSTEM_NAME})
elseif(CMAKE_SIZEOF_VOID_P EQUAL 8)
  set(runabout_system win64)
else()
  set(runabout_system win32)
endif()
# The archive's name, and the name of the one directory in it.
set(RUNABOUT_PACKAGE_FILE_NAME runabout-${PROJECT_VERSION}-${runabout_system})
set(CPACK_PACKAGE_FILE_NAME ${RUNABOUT_PACKAGE_FILE_NAME})
if(WIN32)
  set(CPACK_GENERATOR ZIP)
  # With a signing key, the programs are signed before they are packed
  # (cmake/sign.cmake).
  set(CPACK_PRE_BUILD_SCRIPTS ${PROJECT_SOURCE_DIR}/cmake/sign_programs.cmake)
else()
  set(CPACK_GENERATOR TGZ)
endif()

# The 64-bit Windows build also gives runabout-<version>-win64.msi, for
# per-machine installs: CPack's External generator installs into a staging
# tree as for the zip, and cmake/msi/msi.cmake builds the MSI from it with
# wixl and msibuild (msitools), run under faketime for fixed times; without
# them there is none.
if(WIN32 AND CMAKE_SIZEOF_VOID_P EQUAL 8)
  find_program(RUNABOUT_WIXL wixl)
  find_program(RUNABOUT_MSIBUILD msibuild)
  find_program(RUNABOUT_FAKETIME faketime)
  if(RUNABOUT_WIXL AND RUNABOUT_MSIBUILD AND RUNABOUT_FAKETIME)
    list(APPEND CPACK_GENERATOR External)
    set(CPACK_EXTERNAL_ENABLE_STAGING ON)
    set(CPACK_EXTERNAL_PACKAGE_SCRIPT ${PROJECT_SOURCE_DIR}/cmake/msi/msi.cmake)
    set(CPACK_RUNABOUT_WIXL ${RUNABOUT_WIXL})
    set(CPACK_RUNABOUT_MSIBUILD ${RUNABOUT_MSIBUILD})
    set(CPACK_RUNABOUT_FAKETIME ${RUNABOUT_FAKETIME})
    # The tests look for the package under this name.
    set(RUNABOUT_MSI_FILE_NAME ${RUNABOUT_PACKAGE_FILE_NAME}.msi)
  else()
    message(STATUS "No MSI: wixl, msibuild (msitools) and faketime are needed")
  endif()
endif()

# The Debian package needs dpkg for its architecture and dpkg-shlibdeps
# (dpkg-dev) for its Depends field; without them there is none, rather than
# one that does not name the libraries the program needs.
if(CMAKE_SYSTEM_NAME STREQUAL "Linux")
  find_program(RUNABOUT_DPKG dpkg)
  find_program(RUNABOUT_DPKG_SHLIBDEPS dpkg-shlibdeps)
  if(RUNABOUT_DPKG AND RUNABOUT_DPKG_SHLIBDEPS)
    execute_process(COMMAND ${RUNABOUT_DPKG} --print-architecture
                    OUTPUT_VARIABLE runabout_deb_architecture
                    OUTPUT_STRIP_TRAILING_WHITESPACE COMMAND_ERROR_IS_FATAL ANY)
    list(APPEND CPACK_GENERATOR DEB)
    set(CPACK_DEBIAN_PACKAGE_RELEASE 1)  # The Debian revision.
    set(CPACK_DEBIAN_PACKAGE_ARCHITECTURE ${runabout_deb_architecture})
    # Debian's own naming, name_version-revision_architecture.deb; the tests
    # look for the package under this name.
    set(RUNABOUT_DEB_FILE_NAME
        runabout_${PROJECT_VERSION}-${CPACK_DEBIAN_PACKAGE_RELEASE}_${runabout_deb_architecture}.deb)
    set(CPACK_DEBIAN_FILE_NAME ${RUNABOUT_DEB_FILE_NAME})
    set(CPACK_DEBIAN_PACKAGE_SECTION utils)
    set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
    set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
    # The Debian layout; the script leaves the other packages alone.
    set(CPACK_PRE_BUILD_SCRIPTS ${PROJECT_SOURCE_DIR}/cmake/debian/layout.cmake)
    set(CPACK_RUNABOUT_STRIP ${CMAKE_STRIP})
    set(CPACK_RUNABOUT_GUIDES ${RUNABOUT_GUIDES})
  else()
    message(STATUS "No Debian package: dpkg and dpkg-shlibdeps (dpkg-dev) are needed")
  endif()
endif()

# The RPM, runabout-<version>-<release>.<architecture>.rpm, for Fedora, RHEL
# and openSUSE, needs rpmbuild (Debian's rpm package); without it there is
# none. CPack lists the files the install rules put in its staging tree, laid
# out by cmake/rpm/layout.cmake; rpmbuild computes Requires from the programs.
if(CMAKE_SYSTEM_NAME STREQUAL "Linux")
  find_program(RUNABOUT_RPMBUILD rpmbuild)
  if(RUNABOUT_RPMBUILD)
    list(APPEND CPACK_GENERATOR RPM)
    set(CPACK_RPM_PACKAGE_RELEASE 1)
    set(CPACK_RPM_PACKAGE_ARCHITECTURE ${CMAKE_SYSTEM_PROCESSOR})
    # RPM's own naming; the tests look for the package under this name.
    set(RUNABOUT_RPM_FILE_NAME
        runabout-${PROJECT_VERSION}-${CPACK_RPM_PACKAGE_RELEASE}.${CMAKE_SYSTEM_PROCESSOR}.rpm)
    set(CPACK_RPM_FILE_NAME ${RUNABOUT_RPM_FILE_NAME})
    set(CPACK_RPM_PACKAGE_DESCRIPTION "${CPACK_PACKAGE_DESCRIPTION}")
    set(CPACK_RPM_PACKAGE_LICENSE MIT)
    set(CPACK_RPM_PACKAGE_GROUP Applications/System)
    set(CPACK_RPM_PACKAGE_URL https://runabout.example.org)
    set(CPACK_PACKAGE_RELOCATABLE OFF)
    set(CPACK_RPM_CHANGELOG_FILE ${PROJECT_SOURCE_DIR}/cmake/rpm/changelog)
    set(CPACK_RPM_USER_FILELIST "%license /usr/share/licenses/runabout/LICENSE")
    # The folders of the system, which other packages own.
    set(CPACK_RPM_EXCLUDE_FROM_AUTO_FILELIST_ADDITION /usr/share/man
        /usr/share/man/man1 /usr/share/licenses)
    set(CPACK_RPM_DEFAULT_DIR_PERMISSIONS OWNER_READ OWNER_WRITE OWNER_EXECUTE
        GROUP_READ GROUP_EXECUTE WORLD_READ WORLD_EXECUTE)
    # The same bytes from every builder: no name of the building machine,
    # SOURCE_DATE_EPOCH as the build time, the payload's compression fixed,
    # no build-id links (there is no debuginfo package to match them), and
    # none of rpm's post-install scripts, which the layout script does the
    # work of (Debian's brp-compress, for one, fails under dash).
    set(CPACK_RPM_SPEC_MORE_DEFINE [[
%define packager the Runabout developers <developers@runabout.example.org>
%define _buildhost reproducible
%define use_source_date_epoch_as_buildtime 1
%define clamp_mtime_to_source_date_epoch 1
%define _binary_payload w9.gzdio
%define _build_id_links none]])
    set(CPACK_RPM_SPEC_INSTALL_POST "%{nil}")
    list(APPEND CPACK_PRE_BUILD_SCRIPTS ${PROJECT_SOURCE_DIR}/cmake/rpm/layout.cmake)
    set(CPACK_RUNABOUT_STRIP ${CMAKE_STRIP})
  else()
    message(STATUS "No RPM: rpmbuild (rpm) is needed")
  endif()
endif()
include(CPack)
