# Cross-builds the saver for 64-bit Windows with Debian's MinGW-w64 toolchain:
#   cmake -S . -B build-win -DCMAKE_TOOLCHAIN_FILE=cmake/mingw-w64.cmake
# The result is one self-contained GUI program, shell/vorlip.scr, that needs no DLL beyond
# Windows' own.
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR x86_64)

set(VORLIP_MINGW_PREFIX x86_64-w64-mingw32)
# The engine and the shell use no threads, so the win32 thread model (no winpthread DLL to
# carry) is enough; the posix variant is taken only where it is all that is installed.
find_program(CMAKE_CXX_COMPILER NAMES ${VORLIP_MINGW_PREFIX}-g++-win32 ${VORLIP_MINGW_PREFIX}-g++
             ${VORLIP_MINGW_PREFIX}-g++-posix REQUIRED)
find_program(CMAKE_C_COMPILER NAMES ${VORLIP_MINGW_PREFIX}-gcc-win32 ${VORLIP_MINGW_PREFIX}-gcc
             ${VORLIP_MINGW_PREFIX}-gcc-posix)
find_program(CMAKE_RC_COMPILER NAMES ${VORLIP_MINGW_PREFIX}-windres REQUIRED)

set(CMAKE_FIND_ROOT_PATH /usr/${VORLIP_MINGW_PREFIX})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)

# Tests and benchmarks run on the build machine; the cross build makes only the program.
set(VORLIP_TESTS OFF CACHE BOOL "" FORCE)
set(VORLIP_BENCHMARKS OFF CACHE BOOL "" FORCE)
