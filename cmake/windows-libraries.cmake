# The libraries of the Windows build, under the target names the Linux build
# gets from pkg-config, so the rest of the build reads the same on both.
# SDL stays a DLL (SDL.dll beside vellora.exe); everything else, the C and C++
# runtimes among it, is linked into the .exe.
if(NOT VELLORA_WIN_PREFIX)
  message(FATAL_ERROR "Set VELLORA_WIN_PREFIX to the libraries built by scripts/build-windows")
endif()
set(win_lib ${VELLORA_WIN_PREFIX}/lib)
set(win_include ${VELLORA_WIN_PREFIX}/include)

add_compile_definitions(WIN32_LEAN_AND_MEAN NOMINMAX _USE_MATH_DEFINES)  # M_PI, as glibc gives it
add_link_options(-static)

# vellora_windows_library(NAME INCLUDES <dirs> LIBRARIES <libs> DEFINES <defs>)
function(vellora_windows_library name)
  cmake_parse_arguments(arg "" "" "INCLUDES;LIBRARIES;DEFINES" ${ARGN})
  add_library(${name} INTERFACE IMPORTED)
  target_include_directories(${name} INTERFACE ${arg_INCLUDES})
  target_link_libraries(${name} INTERFACE ${arg_LIBRARIES})
  target_compile_definitions(${name} INTERFACE ${arg_DEFINES})
endfunction()

# SDL 1.2 through its import library; the program has its own main(), not SDLmain.
vellora_windows_library(PkgConfig::SDL INCLUDES ${win_include}/SDL
  LIBRARIES ${win_lib}/libSDL.dll.a user32 gdi32 winmm)
# The caption font comes from GDI, and in place of the X display's library
# stand the system's own (the wide command line and the known folders are
# shell32's, their memory ole32's).
vellora_windows_library(PkgConfig::FONTS LIBRARIES gdi32)
vellora_windows_library(PkgConfig::X11 LIBRARIES user32 shell32 ole32 uuid)
vellora_windows_library(PkgConfig::PICTURES INCLUDES ${win_include}
  LIBRARIES ${win_lib}/libpng16.a ${win_lib}/libjpeg.a z)
vellora_windows_library(PkgConfig::WEBP INCLUDES ${win_include} LIBRARIES ${win_lib}/libwebp.a)
vellora_windows_library(PkgConfig::TAGS INCLUDES ${win_include}/taglib ${win_include}
  LIBRARIES ${win_lib}/libtag.a z DEFINES TAGLIB_STATIC)
vellora_windows_library(PkgConfig::SQLITE INCLUDES ${win_include} LIBRARIES ${win_lib}/libsqlite3.a)

# Beside vellora.exe, what it is made of and under which licences: the
# program's own, a notice naming the linked libraries' licences, the source
# package versions and Debian's copyright file of each (scripts/build-windows
# puts both in the prefix).
configure_file(${CMAKE_SOURCE_DIR}/LICENSE ${CMAKE_BINARY_DIR}/LICENSE.txt COPYONLY)
configure_file(${CMAKE_SOURCE_DIR}/data/windows-notice.txt ${CMAKE_BINARY_DIR}/NOTICE.txt COPYONLY)
if(NOT EXISTS ${VELLORA_WIN_PREFIX}/source-packages OR NOT IS_DIRECTORY ${VELLORA_WIN_PREFIX}/licenses)
  message(FATAL_ERROR "${VELLORA_WIN_PREFIX} names no source packages or licences: run scripts/build-windows")
endif()
configure_file(${VELLORA_WIN_PREFIX}/source-packages ${CMAKE_BINARY_DIR}/source-packages.txt COPYONLY)
file(COPY ${VELLORA_WIN_PREFIX}/licenses DESTINATION ${CMAKE_BINARY_DIR})
