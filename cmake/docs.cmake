# The API reference (make docs): Doxygen's HTML from the public headers and
# docs/*.md, built with the libraries and installed with the development
# files (share/doc/flatdom/api), in the Windows archives too. Doxygen's
# warnings are errors.
set(FLATDOM_DOCS_DIR ${PROJECT_BINARY_DIR}/docs)
set(FLATDOM_DOCS_INCLUDE_DIRS
    "${PROJECT_SOURCE_DIR}/include ${PROJECT_BINARY_DIR}/include ${PROJECT_SOURCE_DIR}/sealwright/include ${PROJECT_SOURCE_DIR}/platform/include")
set(FLATDOM_DOCS_FILES
    ${PROJECT_SOURCE_DIR}/docs/mainpage.md
    ${PROJECT_SOURCE_DIR}/docs/queries.md
    ${PROJECT_SOURCE_DIR}/docs/limits.md
    ${PROJECT_SOURCE_DIR}/include/flatdom/flatdom.h
    ${PROJECT_SOURCE_DIR}/include/flatdom/cstring.h
    ${PROJECT_SOURCE_DIR}/include/flatdom/system.h
    ${PROJECT_BINARY_DIR}/include/flatdom/version.h
    ${PROJECT_SOURCE_DIR}/sealwright/include/sealwright/sealwright.h
    ${PROJECT_SOURCE_DIR}/platform/include/flatdom/platform/winuser.h
    ${PROJECT_SOURCE_DIR}/platform/include/flatdom/platform/msxml.h)
list(JOIN FLATDOM_DOCS_FILES " " FLATDOM_DOCS_INPUT)
configure_file(docs/Doxyfile.in ${FLATDOM_DOCS_DIR}/Doxyfile @ONLY)

find_package(Doxygen REQUIRED doxygen)
add_custom_command(OUTPUT ${FLATDOM_DOCS_DIR}/html/index.html
  COMMAND ${CMAKE_COMMAND} -E rm -rf ${FLATDOM_DOCS_DIR}/html
  COMMAND Doxygen::doxygen ${FLATDOM_DOCS_DIR}/Doxyfile
  DEPENDS ${FLATDOM_DOCS_FILES} ${FLATDOM_DOCS_DIR}/Doxyfile ${PROJECT_SOURCE_DIR}/examples/host.cpp
          ${PROJECT_SOURCE_DIR}/docs/snippets/xpath.cpp
  COMMENT "The API reference (Doxygen; warnings are errors)" VERBATIM)
add_custom_target(docs ALL DEPENDS ${FLATDOM_DOCS_DIR}/html/index.html)
if(FLATDOM_INSTALL)
  install(DIRECTORY ${FLATDOM_DOCS_DIR}/html/ DESTINATION ${CMAKE_INSTALL_DOCDIR}/api
          COMPONENT development)
endif()
