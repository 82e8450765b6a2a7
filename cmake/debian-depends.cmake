# Read by cpack (CPACK_PROJECT_CONFIG_FILE): the Debian package's Depends.
# dpkg-shlibdeps names what the program and its tag helper link, but for SDL 1.2 it names
# libsdl1.2debian, the old SDL 1.2 itself, which apt would pick on a clean
# system; the program is built and tested against sdl12-compat, so the package
# asks for that by name. The rest is what the program loads at run time: the
# GL runtime with Mesa's drivers (software rendering included), SDL 2 under
# sdl12-compat and for the message box, and the fonts: Liberation Mono (the
# caption face: Latin, Greek, Cyrillic) and DejaVu (many more scripts and
# symbols). The fonts for Chinese, Japanese and Korean (WenQuanYi Micro Hei,
# 5 MB) and for emoji and symbols (Symbola) are recommended, Noto CJK (90 MB,
# finer) suggested: without them those characters show as boxes. The X core
# fonts the message box draws with are recommended: without them an error is
# still printed on standard error.
if(CPACK_GENERATOR STREQUAL "DEB")
  set(scratch "${CPACK_TOPLEVEL_DIRECTORY}/shlibdeps")
  file(MAKE_DIRECTORY "${scratch}/debian")
  file(WRITE "${scratch}/debian/control" "")
  execute_process(COMMAND dpkg-shlibdeps -O "-e${CPACK_VELLORA_PROGRAM}" "-e${CPACK_VELLORA_TAG_HELPER}"
    WORKING_DIRECTORY "${scratch}" OUTPUT_VARIABLE shlibs ERROR_VARIABLE shlibs_errors
    RESULT_VARIABLE shlibs_status OUTPUT_STRIP_TRAILING_WHITESPACE)
  if(NOT shlibs_status EQUAL 0 OR NOT shlibs MATCHES "^shlibs:Depends=")
    message(FATAL_ERROR "dpkg-shlibdeps failed on ${CPACK_VELLORA_PROGRAM}: ${shlibs_errors}")
  endif()
  string(REGEX REPLACE "^shlibs:Depends=" "" shlibs "${shlibs}")
  string(REGEX REPLACE "libsdl1\\.2debian( \\([^)]*\\))?" "libsdl1.2-compat-shim" shlibs "${shlibs}")
  if(NOT shlibs MATCHES "libsdl1\\.2-compat-shim")
    message(FATAL_ERROR "dpkg-shlibdeps named no SDL 1.2 for ${CPACK_VELLORA_PROGRAM}: ${shlibs}")
  endif()
  set(CPACK_DEBIAN_PACKAGE_DEPENDS
    "${shlibs}, libgl1, libgl1-mesa-dri, libsdl2-2.0-0, fonts-liberation2, fonts-dejavu-core")
  set(CPACK_DEBIAN_PACKAGE_RECOMMENDS "xfonts-base, fonts-wqy-microhei | fonts-noto-cjk, fonts-symbola")
  set(CPACK_DEBIAN_PACKAGE_SUGGESTS "fonts-noto-cjk")
  file(REMOVE_RECURSE "${scratch}")
endif()
