# Cross-compiling for 32-bit Windows with Debian's MinGW-w64.
# INSTAL_THREAD_MODEL picks the compiler's thread model:
#   posix (default): its libstdc++ has std::mutex, which GoogleTest needs;
#   win32: no winpthreads, whose GetTickCount64 import keeps a program off
#          Windows XP; the setup program that ships is built with it.
if(NOT INSTAL_THREAD_MODEL)
  set(INSTAL_THREAD_MODEL posix)
endif()
# Try-compile projects read this file again and need the same choice.
list(APPEND CMAKE_TRY_COMPILE_PLATFORM_VARIABLES INSTAL_THREAD_MODEL)
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR i686)
set(CMAKE_C_COMPILER i686-w64-mingw32-gcc-${INSTAL_THREAD_MODEL})
set(CMAKE_CXX_COMPILER i686-w64-mingw32-g++-${INSTAL_THREAD_MODEL})
set(CMAKE_RC_COMPILER i686-w64-mingw32-windres)
set(CMAKE_FIND_ROOT_PATH /usr/i686-w64-mingw32)
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_CROSSCOMPILING_EMULATOR wine)
