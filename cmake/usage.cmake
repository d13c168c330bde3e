# flatdom_usage(TARGET TEXT_FILE MAN_PAGE_TEMPLATE WIDE): a command's usage
# text, written once: compiled into TARGET as kUsage (usage.h; wide text when
# WIDE is true) and set into its manual page, which is installed with the
# tools.
function(flatdom_usage target text template wide)
  file(READ ${text} usage)
  set_property(DIRECTORY APPEND PROPERTY CMAKE_CONFIGURE_DEPENDS ${text})
  if(wide)
    set(prefix "const wchar_t kUsage[] = LR")
  else()
    set(prefix "const char kUsage[] = R")
  endif()
  file(WRITE ${CMAKE_CURRENT_BINARY_DIR}/usage.h.new
       "// Generated from ${text}.\n${prefix}\"usage(${usage})usage\";\n")
  configure_file(${CMAKE_CURRENT_BINARY_DIR}/usage.h.new ${CMAKE_CURRENT_BINARY_DIR}/usage.h
                 COPYONLY)
  target_include_directories(${target} PRIVATE ${CMAKE_CURRENT_BINARY_DIR})
  # In the page, verbatim: backslashes escaped, no line read as a request.
  string(REPLACE "\\" "\\e" USAGE "${usage}")
  string(REGEX REPLACE "(^|\n)([.'])" "\\1\\\\&\\2" USAGE "${USAGE}")
  get_filename_component(page ${template} NAME_WLE)
  configure_file(${template} ${CMAKE_CURRENT_BINARY_DIR}/${page} @ONLY)
  if(NOT WIN32)
    install(FILES ${CMAKE_CURRENT_BINARY_DIR}/${page} DESTINATION ${CMAKE_INSTALL_MANDIR}/man1
            COMPONENT tools)
  endif()
endfunction()
