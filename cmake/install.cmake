# Installation: the headers, the shared libraries with versioned names, the
# two commands, a CMake package and a pkg-config file.
include(CMakePackageConfigHelpers)

set(FLATDOM_INSTALLED flatdom sealwright flatdom_cli sealwright_cli)
if(NOT WIN32)
  list(APPEND FLATDOM_INSTALLED flatdom_platform)
  set(FLATDOM_PC_PLATFORM_LIBS "-lflatdom-platform")
endif()

install(TARGETS ${FLATDOM_INSTALLED} EXPORT flatdomTargets
  RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR}
  LIBRARY DESTINATION ${CMAKE_INSTALL_LIBDIR}
  ARCHIVE DESTINATION ${CMAKE_INSTALL_LIBDIR})
install(DIRECTORY include/flatdom DESTINATION ${CMAKE_INSTALL_INCLUDEDIR})
install(DIRECTORY sealwright/include/sealwright DESTINATION ${CMAKE_INSTALL_INCLUDEDIR})
if(NOT WIN32)
  install(DIRECTORY platform/include/flatdom DESTINATION ${CMAKE_INSTALL_INCLUDEDIR})
endif()

set(FLATDOM_CMAKE_DIR ${CMAKE_INSTALL_LIBDIR}/cmake/flatdom)
install(EXPORT flatdomTargets NAMESPACE flatdom:: DESTINATION ${FLATDOM_CMAKE_DIR})
configure_package_config_file(cmake/flatdomConfig.cmake.in
  ${PROJECT_BINARY_DIR}/flatdomConfig.cmake INSTALL_DESTINATION ${FLATDOM_CMAKE_DIR})
write_basic_package_version_file(${PROJECT_BINARY_DIR}/flatdomConfigVersion.cmake
  COMPATIBILITY SameMajorVersion)
install(FILES ${PROJECT_BINARY_DIR}/flatdomConfig.cmake
              ${PROJECT_BINARY_DIR}/flatdomConfigVersion.cmake
        DESTINATION ${FLATDOM_CMAKE_DIR})

configure_file(cmake/flatdom.pc.in ${PROJECT_BINARY_DIR}/flatdom.pc @ONLY)
install(FILES ${PROJECT_BINARY_DIR}/flatdom.pc DESTINATION ${CMAKE_INSTALL_LIBDIR}/pkgconfig)
