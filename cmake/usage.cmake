# flatdom_usage(TARGET TEXT_FILE MAN_PAGE_TEMPLATE WIDE): a command's usage
# text, written once: compiled into TARGET as kUsage (usage.h; wide text when
# WIDE is true) and set into its manual page, which is installed with the
# tools. The text's first paragraph (the command lines) becomes the page's
# @USAGE_SYNOPSIS@, kept as written; the rest its @USAGE_SUMMARY@, filled.
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

  # In the page: backslashes escaped, hyphens as the ASCII ones options are
  # typed with, no line read as a request.
  string(REPLACE "\\" "\\e" page_text "${usage}")
  string(REPLACE "-" "\\-" page_text "${page_text}")
  string(REGEX REPLACE "(^|\n)([.'])" "\\1\\\\&\\2" page_text "${page_text}")
  string(FIND "${page_text}" "\n\n" split)
  string(SUBSTRING "${page_text}" 0 ${split} USAGE_SYNOPSIS)
  math(EXPR split "${split} + 2")
  string(SUBSTRING "${page_text}" ${split} -1 USAGE_SUMMARY)
  string(STRIP "${USAGE_SUMMARY}" USAGE_SUMMARY)
  get_filename_component(page ${template} NAME_WLE)
  configure_file(${template} ${CMAKE_CURRENT_BINARY_DIR}/${page} @ONLY)
  if(WIN32)
    return()
  endif()
  # Installed compressed, as distributions want manual pages (gzip -9n:
  # no name or time stamp, the same bytes from the same page).
  find_program(FLATDOM_GZIP gzip)
  if(FLATDOM_GZIP)
    execute_process(COMMAND ${FLATDOM_GZIP} -9n -c ${page}
                    WORKING_DIRECTORY ${CMAKE_CURRENT_BINARY_DIR}
                    OUTPUT_FILE ${CMAKE_CURRENT_BINARY_DIR}/${page}.gz COMMAND_ERROR_IS_FATAL ANY)
    set(page ${page}.gz)
  endif()
  install(FILES ${CMAKE_CURRENT_BINARY_DIR}/${page} DESTINATION ${CMAKE_INSTALL_MANDIR}/man1
          COMPONENT tools)
endfunction()
