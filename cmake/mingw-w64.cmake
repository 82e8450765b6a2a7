# Cross-compiling for 64-bit Windows with Debian's mingw-w64 compilers.
# The -posix variants: GCC's win32 thread model has no std::thread.
# VELLORA_WIN_PREFIX (a cache variable or the environment) names the folder
# with the libraries built by scripts/build-windows.
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR x86_64)
set(triple x86_64-w64-mingw32)
set(CMAKE_C_COMPILER ${triple}-gcc-posix)
set(CMAKE_CXX_COMPILER ${triple}-g++-posix)
set(CMAKE_RC_COMPILER ${triple}-windres)

if(NOT VELLORA_WIN_PREFIX AND DEFINED ENV{VELLORA_WIN_PREFIX})
  set(VELLORA_WIN_PREFIX "$ENV{VELLORA_WIN_PREFIX}")
endif()
set(CMAKE_FIND_ROOT_PATH /usr/${triple} ${VELLORA_WIN_PREFIX})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)
# Try-compiles see the same settings.
list(APPEND CMAKE_TRY_COMPILE_PLATFORM_VARIABLES VELLORA_WIN_PREFIX)
