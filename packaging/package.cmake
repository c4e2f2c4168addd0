# The Windows package: `cpack -G ZIP` in the Windows build tree makes
# OrvoVideoPlayback-<version>-win64.zip with one top folder of the same name,
# holding everything a user needs beside each other:
#   OrvoVideoPlayback.exe, OrvoVideoIcons\ (read from the working directory),
#   OrvoColorControl.dll with register-color-control.cmd and
#   unregister-color-control.cmd, the two command-line tools and the user guide.
# Every program is linked statically (see the top-level CMakeLists.txt), so the
# folder needs no MinGW runtime DLL.

install(TARGETS OrvoVideoPlayback orvo-aviinfo orvo-avigen RUNTIME DESTINATION .)
# Only the DLL: its import library is of no use to anyone outside this build.
install(TARGETS OrvoColorControl RUNTIME DESTINATION .)
install(DIRECTORY ${CMAKE_BINARY_DIR}/bin/OrvoVideoIcons DESTINATION .)
install(FILES
  ${CMAKE_CURRENT_LIST_DIR}/register-color-control.cmd
  ${CMAKE_CURRENT_LIST_DIR}/unregister-color-control.cmd
  ${CMAKE_SOURCE_DIR}/docs/user-guide.html
  DESTINATION .)

set(CPACK_GENERATOR ZIP)
set(CPACK_PACKAGE_NAME OrvoVideoPlayback)
set(CPACK_PACKAGE_VENDOR "ORVO")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "Plays and inspects the AVI recordings of ORVO Video Capture")
set(CPACK_PACKAGE_FILE_NAME OrvoVideoPlayback-${PROJECT_VERSION}-win64)
set(CPACK_INCLUDE_TOPLEVEL_DIRECTORY ON)
# Symbols are of no use to the users; stripped, the folder is a third of the size.
set(CPACK_STRIP_FILES TRUE)
# Only the generator chosen above; no source package.
set(CPACK_SOURCE_GENERATOR "")
include(CPack)
