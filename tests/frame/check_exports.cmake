# Compares the dynamic symbols that LIBRARY defines with the list in EXPECTED
# (demangled, one a line): nothing may be missing and nothing may leak.
execute_process(COMMAND nm -D --defined-only --format=just-symbols ${LIBRARY}
                COMMAND c++filt
                OUTPUT_VARIABLE actual RESULT_VARIABLE status)
if(NOT status EQUAL 0)
  message(FATAL_ERROR "nm failed on ${LIBRARY}")
endif()
string(REPLACE "\n" ";" actual "${actual}")
list(FILTER actual EXCLUDE REGEX "^$")
list(SORT actual)
file(STRINGS ${EXPECTED} expected)
list(SORT expected)
if(NOT actual STREQUAL expected)
  string(REPLACE ";" "\n  " a "${actual}")
  string(REPLACE ";" "\n  " e "${expected}")
  message(FATAL_ERROR "exported symbols differ\nactual:\n  ${a}\nexpected:\n  ${e}")
endif()
