# What `cmake --install` puts in place, and the release archives CPack builds
# from it: runabout-<version>-win64.zip from the Windows build (the program
# and its documents side by side, to unpack anywhere and put on PATH) and
# runabout-<version>-Linux.tar.gz from the native one (a usual prefix tree).
set(RUNABOUT_DOCUMENTS LICENSE CHANGELOG.md)
if(EXISTS ${PROJECT_SOURCE_DIR}/README.md)
  list(APPEND RUNABOUT_DOCUMENTS README.md)
endif()
list(TRANSFORM RUNABOUT_DOCUMENTS PREPEND ${PROJECT_SOURCE_DIR}/
     OUTPUT_VARIABLE runabout_document_paths)

if(WIN32)
  install(TARGETS runabout RUNTIME DESTINATION .)
  install(FILES ${runabout_document_paths} DESTINATION .)
else()
  include(GNUInstallDirs)
  install(TARGETS runabout RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
  install(FILES ${PROJECT_SOURCE_DIR}/docs/runabout.1
          DESTINATION ${CMAKE_INSTALL_MANDIR}/man1)
  install(FILES ${runabout_document_paths}
          DESTINATION ${CMAKE_INSTALL_DATAROOTDIR}/doc/runabout)
endif()

set(CPACK_PACKAGE_NAME runabout)
set(CPACK_PACKAGE_VENDOR "the Runabout developers")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "Starts several programs with one command")
set(CPACK_RESOURCE_FILE_LICENSE ${PROJECT_SOURCE_DIR}/LICENSE)
set(CPACK_STRIP_FILES ON)
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
else()
  set(CPACK_GENERATOR TGZ)
endif()
include(CPack)
