# Writes the AppStream metainfo from its template, with one <release> for
# each entry of the Debian changelog, so the two never tell different
# histories. Called at build time with TEMPLATE, CHANGELOG and OUTPUT set.
#
# An entry is read as Debian writes it:
#   nimbrel (1.0.0) unstable; urgency=medium
#
#     * a change, which may go on
#       over several lines
#
#    -- Name <address>  Tue, 08 Dec 2026 00:00:00 +0000
# Semicolons would split CMake's lists: they travel as a placeholder.
file(READ "${CHANGELOG}" text)
string(REPLACE ";" "@SEMICOLON@" text "${text}")
string(REPLACE "\n" ";" lines "${text}")
set(months Jan Feb Mar Apr May Jun Jul Aug Sep Oct Nov Dec)

# The change being read, closed when the next one or the trailer starts.
macro(close_item)
  if(NOT item STREQUAL "")
    string(REPLACE "&" "&amp;" item "${item}")
    string(REPLACE "<" "&lt;" item "${item}")
    string(REPLACE ">" "&gt;" item "${item}")
    string(REPLACE "@SEMICOLON@" ";" item "${item}")
    string(APPEND items "          <li>${item}</li>\n")
  endif()
  set(item "")
endmacro()

set(releases "")
set(version "")
set(items "")
set(item "")
foreach(line IN LISTS lines)
  if(line MATCHES "^nimbrel \\(([^)]+)\\)")
    set(version "${CMAKE_MATCH_1}")
    set(items "")
    set(item "")
  elseif(line MATCHES "^  \\* (.*)$")
    set(next "${CMAKE_MATCH_1}")
    close_item()
    set(item "${next}")
  elseif(line MATCHES "^    +(.*)$" AND NOT item STREQUAL "")
    string(APPEND item " ${CMAKE_MATCH_1}")
  elseif(line MATCHES "^ -- .*  [A-Za-z]+, ([0-9]+) ([A-Za-z]+) ([0-9]+) ")
    if(version STREQUAL "")
      message(FATAL_ERROR "${CHANGELOG}: a trailer line before any entry")
    endif()
    set(day "${CMAKE_MATCH_1}")
    list(FIND months "${CMAKE_MATCH_2}" month)
    set(year "${CMAKE_MATCH_3}")
    if(month LESS 0)
      message(FATAL_ERROR "${CHANGELOG}: no month called ${CMAKE_MATCH_2}")
    endif()
    math(EXPR month "${month} + 1")
    if(month LESS 10)
      set(month "0${month}")
    endif()
    string(LENGTH "${day}" digits)
    if(digits EQUAL 1)
      set(day "0${day}")
    endif()
    close_item()
    string(APPEND releases "    <release version=\"${version}\" date=\"${year}-${month}-${day}\">\n"
           "      <description>\n        <ul>\n${items}        </ul>\n      </description>\n    </release>\n")
    set(version "")
    set(items "")
    set(item "")
  endif()
endforeach()
if(releases STREQUAL "")
  message(FATAL_ERROR "${CHANGELOG}: no entry read")
endif()
string(REGEX REPLACE "\n$" "" NIMBREL_RELEASES "${releases}")
configure_file("${TEMPLATE}" "${OUTPUT}" @ONLY)
