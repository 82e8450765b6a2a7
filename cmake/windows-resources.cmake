# The Windows resources of vellora.exe and vellora-tags.exe: the icon, a
# version resource with the package's version, and vellora.exe's manifest.
# The icon is drawn while building by tools/icon, as the Linux build draws its
# PNGs, here compiled with the build machine's own compiler (it needs zlib).
enable_language(RC)
find_program(VELLORA_HOST_CXX NAMES c++ g++ REQUIRED)
find_path(VELLORA_HOST_ZLIB_INCLUDE zlib.h PATHS /usr/include NO_CMAKE_FIND_ROOT_PATH REQUIRED)
set(icon_sources tools/icon/ico_main.cpp tools/icon/icon_drawing.cpp tools/icon/ico_file.cpp)
set(icon_tool ${CMAKE_BINARY_DIR}/host/vellora-ico)
set(VELLORA_ICO ${CMAKE_BINARY_DIR}/vellora.ico)
add_custom_command(OUTPUT ${icon_tool}
  COMMAND ${CMAKE_COMMAND} -E make_directory ${CMAKE_BINARY_DIR}/host
  COMMAND ${VELLORA_HOST_CXX} -std=c++17 -O2 -I${CMAKE_SOURCE_DIR}/tools -o ${icon_tool} ${icon_sources} -lz
  WORKING_DIRECTORY ${CMAKE_SOURCE_DIR}
  DEPENDS ${icon_sources} tools/icon/ico_file.h tools/icon/icon_drawing.h
  COMMENT "Compiling the icon drawer for this machine")
add_custom_command(OUTPUT ${VELLORA_ICO}
  COMMAND ${icon_tool} ${VELLORA_ICO}
  DEPENDS ${icon_tool}
  COMMENT "Drawing the Windows icon")
add_custom_target(vellora-ico DEPENDS ${VELLORA_ICO})

set(VELLORA_VERSION_QUAD ${PROJECT_VERSION_MAJOR}.${PROJECT_VERSION_MINOR}.${PROJECT_VERSION_PATCH}.0)
configure_file(data/windows/vellora.exe.manifest ${CMAKE_BINARY_DIR}/resources/vellora.exe.manifest @ONLY)

# vellora_windows_resources(TARGET DESCRIPTION [MANIFEST])
function(vellora_windows_resources target description)
  set(VELLORA_RC_NAME ${target})
  set(VELLORA_RC_FILE ${target}.exe)
  set(VELLORA_RC_DESCRIPTION "${description}")
  set(VELLORA_RC_MANIFEST "")
  set(depends ${VELLORA_ICO})
  if(ARGN STREQUAL "MANIFEST")
    set(manifest ${CMAKE_BINARY_DIR}/resources/${target}.exe.manifest)
    set(VELLORA_RC_MANIFEST "1 24 \"${manifest}\"  // CREATEPROCESS_MANIFEST_RESOURCE_ID, RT_MANIFEST")
    list(APPEND depends ${manifest})
  endif()
  set(rc ${CMAKE_BINARY_DIR}/resources/${target}.rc)
  configure_file(${CMAKE_SOURCE_DIR}/data/windows/resources.rc.in ${rc} @ONLY)
  set_source_files_properties(${rc} PROPERTIES OBJECT_DEPENDS "${depends}")
  target_sources(${target} PRIVATE ${rc})
  add_dependencies(${target} vellora-ico)
endfunction()

vellora_windows_resources(vellora "Vellora album browser" MANIFEST)
vellora_windows_resources(vellora-tags "Vellora's tag reader")
