# flatdom_usage(TARGET TEXT_FILE MAN_PAGE_TEMPLATE WIDE): a command's usage
# text, written once: compiled into TARGET as kUsage (usage.h; wide text when
# WIDE is true) and set into its manual page, which is installed with the
# tools (on Windows as text) unless FLATDOM_INSTALL is off. In the page, the text's first paragraph (the
# command lines, each form followed by two spaces and what it does) becomes
# @USAGE_SYNOPSIS@, the forms alone; the paragraphs after it
# @USAGE_SUMMARY@, filled. Left out of the page: lists (paragraphs with
# indented lines), which the page gives in sections of its own, and the last
# paragraph, which points a reader of the usage to the manual page.
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
  get_filename_component(command ${template} NAME_WLE)
  get_filename_component(command ${command} NAME_WLE)
  string(STRIP "${usage}" page_text)
  string(REPLACE "\\" "\\e" page_text "${page_text}")
  string(REPLACE "-" "\\-" page_text "${page_text}")
  string(REGEX REPLACE "(^|\n)([.'])" "\\1\\\\&\\2" page_text "${page_text}")
  set(USAGE_SYNOPSIS "")
  set(USAGE_SUMMARY "")
  set(paragraph "")
  while(NOT page_text STREQUAL "")
    string(FIND "${page_text}" "\n\n" split)
    if(split EQUAL -1)
      set(last "${page_text}")
      set(page_text "")
    else()
      string(SUBSTRING "${page_text}" 0 ${split} last)
      math(EXPR split "${split} + 2")
      string(SUBSTRING "${page_text}" ${split} -1 page_text)
    endif()
    if(USAGE_SYNOPSIS STREQUAL "")
      string(REGEX REPLACE "^usage: " "" last "${last}")
      string(REGEX REPLACE "\n +" "\n" last "${last}")
      string(REGEX REPLACE "  +[^\n]*" "" USAGE_SYNOPSIS "${last}")
    elseif(paragraph MATCHES "(^|\n)  ")
      set(paragraph "${last}")
    elseif(NOT paragraph STREQUAL "")
      if(NOT USAGE_SUMMARY STREQUAL "")
        string(APPEND USAGE_SUMMARY "\n.PP\n")
      endif()
      string(APPEND USAGE_SUMMARY "${paragraph}")
      set(paragraph "${last}")
    else()
      set(paragraph "${last}")
    endif()
  endwhile()
  if(NOT paragraph MATCHES "man ${command}")
    message(FATAL_ERROR "${text}: the last paragraph should point to the manual page "
                        "(man ${command}); it is left out of the page")
  endif()
  get_filename_component(page ${template} NAME_WLE)
  configure_file(${template} ${CMAKE_CURRENT_BINARY_DIR}/${page} @ONLY)
  if(WIN32)
    # Windows has no man: the archives carry the page as plain text with
    # Windows line ends, rendered by groff where the build runs.
    find_program(FLATDOM_GROFF groff)
    if(NOT FLATDOM_GROFF)
      if(FLATDOM_PACKAGING)
        message(FATAL_ERROR "groff (Debian's groff-base) renders the manual pages for the archive")
      endif()
      return()
    endif()
    execute_process(COMMAND ${FLATDOM_GROFF} -man -Tascii -P-cbou ${page}
                    WORKING_DIRECTORY ${CMAKE_CURRENT_BINARY_DIR}
                    OUTPUT_VARIABLE page_text COMMAND_ERROR_IS_FATAL ANY)
    string(REPLACE "\n" "\r\n" page_text "${page_text}")
    file(WRITE ${CMAKE_CURRENT_BINARY_DIR}/${command}.txt "${page_text}")
    if(FLATDOM_INSTALL)
      install(FILES ${CMAKE_CURRENT_BINARY_DIR}/${command}.txt DESTINATION ${CMAKE_INSTALL_DOCDIR}
              COMPONENT tools)
    endif()
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
  if(FLATDOM_INSTALL)
    install(FILES ${CMAKE_CURRENT_BINARY_DIR}/${page} DESTINATION ${CMAKE_INSTALL_MANDIR}/man1
            COMPONENT tools)
  endif()
endfunction()
