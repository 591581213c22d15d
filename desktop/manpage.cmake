# SPDX-License-Identifier: MIT
# Writes verbrio-deck's man page with help2man: the tool's --help and
# --version make the page, each command's own --help a part of its COMMANDS section,
# and the include file INCLUDE the sections written by hand.
# Arguments: HELP2MAN, TOOL (the built verbrio-deck), INCLUDE, OUTPUT.

execute_process(COMMAND "${TOOL}" --help OUTPUT_VARIABLE help COMMAND_ERROR_IS_FATAL ANY)
# The command names are the lines of the "Commands:" list: two spaces, a name.
string(REGEX MATCH "Commands:\n(  [a-z]+[^\n]*\n)+" command_list "${help}")
string(REGEX MATCHALL "\n  [a-z]+" names "${command_list}")

set(section "[COMMANDS]\n")
foreach(name IN LISTS names)
  string(STRIP "${name}" name)
  execute_process(COMMAND "${TOOL}" ${name} --help OUTPUT_VARIABLE text COMMAND_ERROR_IS_FATAL ANY)
  # The usage line, the description as a paragraph, the rest (options and
  # arguments) as preformatted text; roff escapes for backslashes, minus
  # signs and lines that begin with a dot or an apostrophe.
  string(REPLACE "\\" "\\e" text "${text}")
  string(REPLACE "-" "\\-" text "${text}")
  string(REGEX REPLACE "(^|\n)([.'])" "\\1\\\\&\\2" text "${text}")
  string(REGEX MATCH "^Usage: ([^\n]*)\n([^\n]*)\n\n(.*)$" parts "${text}")
  if(NOT parts)
    message(FATAL_ERROR "'verbrio-deck ${name} --help' does not begin with a usage line and a description")
  endif()
  string(APPEND section ".SS ${name}\n.B ${CMAKE_MATCH_1}\n.PP\n${CMAKE_MATCH_2}\n.PP\n.nf\n${CMAKE_MATCH_3}.fi\n")
endforeach()

file(READ "${INCLUDE}" written)
get_filename_component(work "${OUTPUT}" DIRECTORY)
file(WRITE "${work}/verbrio-deck-commands.h2m" "${section}${written}")
execute_process(COMMAND "${HELP2MAN}" --no-info --section=1
                        "--name=fill, export, check and compact Verbrio decks"
                        "--include=${work}/verbrio-deck-commands.h2m" "--output=${OUTPUT}" "${TOOL}"
                COMMAND_ERROR_IS_FATAL ANY)
