# CPack runs this after it has installed the project into a Windows package's
# staging tree and before it builds the package (CPACK_PRE_BUILD_SCRIPTS):
# with a signing key (cmake/sign.cmake) it signs the programs there, already
# stripped, so that the zip and the MSI carry the same signed programs.
include(${CMAKE_CURRENT_LIST_DIR}/sign.cmake)
runabout_signing(signing)
if(signing)
  file(GLOB_RECURSE programs "${CPACK_TEMPORARY_DIRECTORY}/*.exe")
  foreach(program ${programs})
    runabout_sign("${program}")
  endforeach()
endif()
