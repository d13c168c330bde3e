# Installation, in three components that are also the Debian packages:
# runtime (the shared libraries), development (headers, library links, a
# CMake package and pkg-config files) and tools (the two commands and their
# manual pages); a fourth, documentation, holds the licence and changelog.
include(CMakePackageConfigHelpers)

# What pkg-config --libs gives a host. It links the platform that the
# header's inline code calls: CString frees with CoTaskMemFree (ole32 on
# Windows, flatdom's platform layer elsewhere). On Windows the import
# libraries are named as files, which a host linked with -static (GCC's
# runtimes linked in) still finds: -static makes -lNAME look for static
# libraries only.
set(FLATDOM_LIBRARIES flatdom sealwright)
if(WIN32)
  set(FLATDOM_PC_LIBS "\${libdir}/libflatdom.dll.a -lole32 -loleaut32")
  set(FLATDOM_PC_SEALWRIGHT_LIBS "\${libdir}/libsealwright.dll.a")
else()
  list(APPEND FLATDOM_LIBRARIES flatdom_platform)
  set(FLATDOM_PC_LIBS "-L\${libdir} -lflatdom -lflatdom-platform")
  set(FLATDOM_PC_SEALWRIGHT_LIBS "-L\${libdir} -lsealwright")
endif()

install(TARGETS ${FLATDOM_LIBRARIES} EXPORT flatdomTargets
  RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR} COMPONENT runtime
  LIBRARY DESTINATION ${CMAKE_INSTALL_LIBDIR} COMPONENT runtime
          NAMELINK_COMPONENT development
  ARCHIVE DESTINATION ${CMAKE_INSTALL_LIBDIR} COMPONENT development)
if(FLATDOM_BUILD_TOOLS)
  install(TARGETS flatdom_cli sealwright_cli RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR}
          COMPONENT tools)
endif()
install(DIRECTORY include/flatdom DESTINATION ${CMAKE_INSTALL_INCLUDEDIR} COMPONENT development)
install(DIRECTORY sealwright/include/sealwright DESTINATION ${CMAKE_INSTALL_INCLUDEDIR}
        COMPONENT development)
if(NOT WIN32)
  # The table of built-in classes is the platform library's own business.
  install(DIRECTORY platform/include/flatdom DESTINATION ${CMAKE_INSTALL_INCLUDEDIR}
          COMPONENT development PATTERN class_table.h EXCLUDE)
endif()

set(FLATDOM_CMAKE_DIR ${CMAKE_INSTALL_LIBDIR}/cmake/flatdom)
install(EXPORT flatdomTargets NAMESPACE flatdom:: DESTINATION ${FLATDOM_CMAKE_DIR}
        COMPONENT development)
configure_package_config_file(cmake/flatdomConfig.cmake.in
  ${PROJECT_BINARY_DIR}/flatdomConfig.cmake INSTALL_DESTINATION ${FLATDOM_CMAKE_DIR})
write_basic_package_version_file(${PROJECT_BINARY_DIR}/flatdomConfigVersion.cmake
  COMPATIBILITY SameMajorVersion)
install(FILES ${PROJECT_BINARY_DIR}/flatdomConfig.cmake
              ${PROJECT_BINARY_DIR}/flatdomConfigVersion.cmake
        DESTINATION ${FLATDOM_CMAKE_DIR} COMPONENT development)

# pkg-config files for flatdom and for Sealwright, which a host that calls
# Sealwright's own functions adds. They name their folders plainly, from the
# prefix the copy is installed into (cmake --install --prefix, or a
# package's); a Windows archive, unpacked anywhere, finds its prefix from the
# file's own place.
if(WIN32)
  file(RELATIVE_PATH FLATDOM_PC_PREFIX "/${CMAKE_INSTALL_LIBDIR}/pkgconfig" "/")
  string(REGEX REPLACE "/$" "" FLATDOM_PC_PREFIX "\${pcfiledir}/${FLATDOM_PC_PREFIX}")
else()
  set(FLATDOM_PC_PREFIX "@CMAKE_INSTALL_PREFIX@")  # filled in when installed
endif()
foreach(pc IN ITEMS flatdom sealwright)
  configure_file(cmake/${pc}.pc.in ${PROJECT_BINARY_DIR}/pkgconfig/${pc}.pc.in @ONLY)
  install(CODE "
    configure_file(\"${PROJECT_BINARY_DIR}/pkgconfig/${pc}.pc.in\"
                   \"${PROJECT_BINARY_DIR}/pkgconfig/${pc}.pc\" @ONLY)
    file(INSTALL \"${PROJECT_BINARY_DIR}/pkgconfig/${pc}.pc\"
         DESTINATION \"\${CMAKE_INSTALL_PREFIX}/${CMAKE_INSTALL_LIBDIR}/pkgconfig\")"
    COMPONENT development)
endforeach()

install(FILES ${PROJECT_BINARY_DIR}/include/flatdom/version.h
        DESTINATION ${CMAKE_INSTALL_INCLUDEDIR}/flatdom COMPONENT development)
# The licence and the changelog; the Debian packages carry theirs in
# Debian's form instead (cmake/packaging.cmake).
install(FILES LICENSE CHANGELOG.md DESTINATION ${CMAKE_INSTALL_DOCDIR} COMPONENT documentation)
