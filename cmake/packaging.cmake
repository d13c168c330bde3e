# make package: Debian packages on Linux (libflatdom1, libflatdom-dev,
# flatdom-tools, from the install components), a ZIP archive on Windows.
set(CPACK_PACKAGE_NAME flatdom)
set(CPACK_PACKAGE_VENDOR "the flatdom developers")
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "${PROJECT_DESCRIPTION}")
# The packages' Maintainer, which Debian requires, with an address; the
# packages name no home page or upstream contact, which the project has not.
set(CPACK_PACKAGE_CONTACT "the flatdom developers <flatdom@example.org>")
set(CPACK_OUTPUT_FILE_PREFIX ${PROJECT_BINARY_DIR}/packages)

if(WIN32)
  set(FLATDOM_ARCHIVE_ARCH ${CMAKE_SYSTEM_PROCESSOR})
  # The compiler's version as it says it, and as the DLLs carry it ("GCC:
  # (GNU) 12-posix"): Debian's mingw-w64 has no three-part version.
  execute_process(COMMAND ${CMAKE_CXX_COMPILER} --version OUTPUT_VARIABLE FLATDOM_COMPILER_VERSION
                  ERROR_QUIET)
  string(REGEX REPLACE "\n.*" "" FLATDOM_COMPILER_VERSION "${FLATDOM_COMPILER_VERSION}")
  string(REGEX REPLACE ".*\\(GCC\\) " "" FLATDOM_COMPILER_VERSION "${FLATDOM_COMPILER_VERSION}")
  if(FLATDOM_COMPILER_VERSION STREQUAL "")
    set(FLATDOM_COMPILER_VERSION ${CMAKE_CXX_COMPILER_VERSION})
  endif()
  configure_file(packaging/windows/README-windows.txt ${PROJECT_BINARY_DIR}/README-windows.txt
                 @ONLY NEWLINE_STYLE CRLF)
  install(FILES ${PROJECT_BINARY_DIR}/README-windows.txt DESTINATION . COMPONENT development)
  # What README-windows.txt builds: the example host, its documents and a
  # CMakeLists.txt for it.
  install(FILES examples/host.cpp examples/CMakeLists.txt examples/config.xml
                examples/catalogue.xml examples/broken.xml examples/secrets.sealed
                examples/demo.key
          DESTINATION examples COMPONENT development)
  set(CPACK_GENERATOR ZIP)
  set(CPACK_PACKAGE_FILE_NAME flatdom-${PROJECT_VERSION}-windows-${CMAKE_SYSTEM_PROCESSOR})
  set(CPACK_INCLUDE_TOPLEVEL_DIRECTORY ON)
else()
  set(CPACK_GENERATOR DEB)
  set(CPACK_DEB_COMPONENT_INSTALL ON)
  set(CPACK_COMPONENTS_ALL runtime development tools)
  set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
  set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
  # A shlibs file, for the packages built on ours.
  set(CPACK_DEBIAN_PACKAGE_GENERATE_SHLIBS ON)
  set(CPACK_DEBIAN_PACKAGE_GENERATE_SHLIBS_POLICY ">=")
  # Our own libraries, for the commands' dependencies, from the build.
  set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS_PRIVATE_DIRS ${PROJECT_BINARY_DIR}/lib)
  set(CPACK_DEBIAN_PACKAGE_SOURCE flatdom)
  set(CPACK_STRIP_FILES ON)
  # Each package's description starts with its own synopsis line; CPack
  # would otherwise put the project's in front of it.
  set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "")
  set(CPACK_DEBIAN_RUNTIME_PACKAGE_NAME libflatdom1)
  set(CPACK_DEBIAN_RUNTIME_PACKAGE_SECTION libs)
  set(CPACK_COMPONENT_RUNTIME_DESCRIPTION
      "flat access to one XML document at a time (libraries)
flatdom loads a plain or sealed XML document, selects nodes by query and reads
text and numbers. This package holds libflatdom, its platform layer over
libxml2 and libsealwright, which seals documents with AES-256-GCM.")
  # The ldconfig trigger, which is how packages have the linker cache
  # updated now.
  set(CPACK_DEBIAN_RUNTIME_PACKAGE_CONTROL_EXTRA ${PROJECT_SOURCE_DIR}/packaging/debian/triggers)
  set(CPACK_DEBIAN_DEVELOPMENT_PACKAGE_NAME libflatdom-dev)
  set(CPACK_DEBIAN_DEVELOPMENT_PACKAGE_SECTION libdevel)
  set(CPACK_DEBIAN_DEVELOPMENT_PACKAGE_DEPENDS "libflatdom1 (= ${PROJECT_VERSION})")
  set(CPACK_COMPONENT_DEVELOPMENT_DESCRIPTION
      "flat access to one XML document at a time (development files)
Headers, library links, a CMake package (find_package(flatdom)) and
pkg-config files (flatdom, sealwright) for building hosts of libflatdom.")
  set(CPACK_DEBIAN_TOOLS_PACKAGE_NAME flatdom-tools)
  set(CPACK_DEBIAN_TOOLS_PACKAGE_SECTION text)
  set(CPACK_DEBIAN_TOOLS_PACKAGE_DEPENDS "libflatdom1 (= ${PROJECT_VERSION})")
  set(CPACK_COMPONENT_TOOLS_DESCRIPTION
      "flat access to one XML document at a time (commands)
flatdom reads nodes and values from a plain or sealed XML document;
sealwright makes keys, seals documents and opens them.")

  # The released sections of CHANGELOG.md as each package's Debian changelog,
  # compressed as Debian wants it (gzip -9n: no name or time stamp).
  set(changelog ${PROJECT_BINARY_DIR}/debian/changelog)
  file(MAKE_DIRECTORY ${PROJECT_BINARY_DIR}/debian)
  set_property(DIRECTORY APPEND PROPERTY CMAKE_CONFIGURE_DEPENDS
               ${PROJECT_SOURCE_DIR}/CHANGELOG.md ${PROJECT_SOURCE_DIR}/packaging/debian/changelog.sh)
  execute_process(
    COMMAND sh ${PROJECT_SOURCE_DIR}/packaging/debian/changelog.sh
            ${PROJECT_SOURCE_DIR}/CHANGELOG.md ${CPACK_DEBIAN_PACKAGE_SOURCE} ${PROJECT_VERSION}
            ${CPACK_PACKAGE_CONTACT}
    OUTPUT_FILE ${changelog} RESULT_VARIABLE failed)
  if(failed)
    message(FATAL_ERROR "No Debian changelog: CHANGELOG.md needs a section for ${PROJECT_VERSION}")
  endif()
  execute_process(COMMAND gzip -9n -c ${changelog} OUTPUT_FILE ${changelog}.gz
                  COMMAND_ERROR_IS_FATAL ANY)

  # In the packages only: cmake --install leaves these out.
  foreach(component IN ITEMS runtime development tools)
    string(TOUPPER ${component} COMPONENT)
    install(FILES packaging/debian/copyright ${changelog}.gz
            DESTINATION ${CMAKE_INSTALL_DATAROOTDIR}/doc/${CPACK_DEBIAN_${COMPONENT}_PACKAGE_NAME}
            COMPONENT ${component} EXCLUDE_FROM_ALL)
  endforeach()
  install(FILES packaging/debian/libflatdom1.lintian-overrides
          DESTINATION ${CMAKE_INSTALL_DATAROOTDIR}/lintian/overrides RENAME libflatdom1
          COMPONENT runtime EXCLUDE_FROM_ALL)
endif()
include(CPack)
