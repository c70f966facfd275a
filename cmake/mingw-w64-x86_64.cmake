# Cross-builds the Windows program with Debian's mingw-w64 and runs what it
# builds (the tests) under Wine.
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR x86_64)

# The posix-thread variant: GoogleTest needs std::mutex, which the win32
# variant lacks. With -static its thread library is linked in, not imported.
set(CMAKE_C_COMPILER x86_64-w64-mingw32-gcc-posix)
set(CMAKE_CXX_COMPILER x86_64-w64-mingw32-g++-posix)
set(CMAKE_RC_COMPILER x86_64-w64-mingw32-windres)

set(CMAKE_FIND_ROOT_PATH /usr/x86_64-w64-mingw32)
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)

find_program(RUNABOUT_WINE NAMES wine64 wine PATHS /usr/lib/wine)
if(RUNABOUT_WINE)
  set(CMAKE_CROSSCOMPILING_EMULATOR ${RUNABOUT_WINE})
endif()
