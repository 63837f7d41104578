# Writes a manual page for PROGRAM from its --help text, gzip'd to OUTPUT.
# Called at build time with PROGRAM, NAME, SUMMARY, VERSION and OUTPUT set.
execute_process(COMMAND ${PROGRAM} --help OUTPUT_VARIABLE help RESULT_VARIABLE status)
if(NOT status EQUAL 0)
  message(FATAL_ERROR "${PROGRAM} --help exited with ${status}")
endif()

# Text for roff: backslashes written as \e, hyphens as \-, and a line that
# starts with a control character made plain.
string(REPLACE "\\" "\\e" help "${help}")
string(REPLACE "-" "\\-" help "${help}")
string(REGEX REPLACE "(^|\n)([.'])" "\\1\\\\&\\2" help "${help}")
string(REGEX REPLACE "\n+$" "" help "${help}")
string(REPLACE "-" "\\-" roffName "${NAME}")
string(TOUPPER "${NAME}" title)

set(seeAlso)
foreach(other IN ITEMS nimbrel nimbrel-feed nimbrel-history nimbrel-cjpeg)
  if(NOT other STREQUAL NAME)
    string(REPLACE "-" "\\-" other "${other}")
    list(APPEND seeAlso "\\fB${other}\\fR(1)")
  endif()
endforeach()
list(JOIN seeAlso ",\n" seeAlso)

get_filename_component(folder "${OUTPUT}" DIRECTORY)
file(MAKE_DIRECTORY "${folder}")
string(REGEX REPLACE "\\.gz$" "" page "${OUTPUT}")
file(WRITE "${page}" ".TH \"${title}\" \"1\" \"\" \"Nimbrel ${VERSION}\" \"User Commands\"
.SH NAME
${roffName} \\- ${SUMMARY}
.SH DESCRIPTION
.nf
${help}
.fi
.SH SEE ALSO
${seeAlso}
")
execute_process(COMMAND gzip -9nf "${page}" RESULT_VARIABLE status)
if(NOT status EQUAL 0)
  message(FATAL_ERROR "gzip of ${page} failed")
endif()
