# Windows: the exports of a DLL of ours for hosts of either compiler.
# flatdom_windows_exports(TARGET DEF) links TARGET with DEF, its committed
# list of exports (scripts/windows-def.sh: each C++ function under its GNU
# name and under its MSVC name as an alias), makes the MSVC import library
# lib/<name>.lib from the same list with llvm-dlltool (target
# <TARGET>_msvc_import), writes the exports as the linker made them to
# lib/<name>.def, and installs both .lib and .def with the development files
# (unless FLATDOM_INSTALL is off).
find_program(FLATDOM_DLLTOOL NAMES llvm-dlltool-14 llvm-dlltool REQUIRED)
if(CMAKE_SYSTEM_PROCESSOR STREQUAL "i686")
  set(FLATDOM_DLLTOOL_MACHINE i386)
else()
  set(FLATDOM_DLLTOOL_MACHINE i386:x86-64)
endif()

function(flatdom_windows_exports target def)
  get_target_property(name ${target} OUTPUT_NAME)
  if(NOT name)
    set(name ${target})
  endif()
  set(lib ${PROJECT_BINARY_DIR}/lib)
  target_sources(${target} PRIVATE ${def})
  target_link_options(${target} PRIVATE -Wl,--output-def,${lib}/${name}.def)
  add_custom_command(OUTPUT ${lib}/${name}.lib
    COMMAND ${FLATDOM_DLLTOOL} -m ${FLATDOM_DLLTOOL_MACHINE} -d ${def} -l ${lib}/${name}.lib
    DEPENDS ${def} VERBATIM)
  add_custom_target(${target}_msvc_import ALL DEPENDS ${lib}/${name}.lib)
  if(FLATDOM_INSTALL)
    install(FILES ${lib}/${name}.def ${lib}/${name}.lib DESTINATION ${CMAKE_INSTALL_LIBDIR}
            COMPONENT development)
  endif()
endfunction()
