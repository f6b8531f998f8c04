# Cross-compiling for Windows x86-64 on Debian with mingw-w64 (POSIX threads, for std::thread).
# Used to build Qt for Windows from Debian's source (scripts/windows) and, chain-loaded by
# that Qt's own qt.toolchain.cmake, to build the game.
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR x86_64)
set(CMAKE_C_COMPILER x86_64-w64-mingw32-gcc-posix)
set(CMAKE_CXX_COMPILER x86_64-w64-mingw32-g++-posix)
set(CMAKE_RC_COMPILER x86_64-w64-mingw32-windres)

# Libraries, headers and CMake packages come only from the Windows folders: mingw-w64's and,
# when building Qt, the prefix Qt installs into (DOVRIX_WINDOWS_PREFIX).
list(APPEND CMAKE_TRY_COMPILE_PLATFORM_VARIABLES DOVRIX_WINDOWS_PREFIX)
set(CMAKE_FIND_ROOT_PATH /usr/x86_64-w64-mingw32 ${DOVRIX_WINDOWS_PREFIX})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)
