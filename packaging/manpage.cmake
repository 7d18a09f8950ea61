# SPDX-License-Identifier: GPL-3.0-or-later
# Writes a manual page from a program's own --help (run at build time), so the page never drifts from
# the program. Usage:
#   cmake -DPROGRAM=path -DNAME=lumivane-cli -DSUMMARY="..." -DVERSION=1.02 -DDATE=2026-12-10
#         [-DCOMMANDS="read;push"] [-DTOPICS="json;examples"] [-DSEE_ALSO="lumivane;lumivane-sim"]
#         -DOUT=file.1 -P manpage.cmake
# With COMMANDS, each command's own "NAME COMMAND --help" becomes a subsection of COMMANDS, without the
# exit statuses, which the description holds once. With TOPICS, each "NAME help TOPIC" becomes a
# section of its own, titled by its first line.
cmake_minimum_required(VERSION 3.20)

function(help_of out)
  run_program(text ${ARGN} --help)
  set(${out} "${text}" PARENT_SCOPE)
endfunction()

function(run_program out)
  execute_process(COMMAND ${CMAKE_COMMAND} -E env QT_QPA_PLATFORM=offscreen ${PROGRAM} ${ARGN}
                  OUTPUT_VARIABLE text ERROR_VARIABLE errors RESULT_VARIABLE status)
  if(NOT status EQUAL 0 OR text STREQUAL "")
    message(FATAL_ERROR "${PROGRAM} ${ARGN} failed (${status}): ${errors}")
  endif()
  # Qt's parser names the program as it was started: the build tree's path here.
  string(REPLACE "${PROGRAM}" "${NAME}" text "${text}")
  set(${out} "${text}" PARENT_SCOPE)
endfunction()

# Text as troff lines in no-fill mode: backslashes escaped, a line starting with a control character
# protected, and long lines left to the reader's terminal (no-fill never breaks them).
function(as_troff out text)
  string(REPLACE "\\" "\\e" text "${text}")
  string(REGEX REPLACE "\n$" "" text "${text}")
  # A semicolon would split a line in two list items, and a square bracket left open on one line would
  # keep the next lines from splitting: they travel as placeholders.
  string(REPLACE ";" "<semicolon>" text "${text}")
  string(REPLACE "[" "<open-bracket>" text "${text}")
  string(REPLACE "]" "<close-bracket>" text "${text}")
  string(REPLACE "\n" ";" lines "${text}")
  set(result ".nf\n")
  foreach(line IN LISTS lines)
    if(line MATCHES "^[.']")
      set(line "\\&${line}")
    endif()
    string(REPLACE "<semicolon>" "\;" line "${line}")
    string(REPLACE "<open-bracket>" "[" line "${line}")
    string(REPLACE "<close-bracket>" "]" line "${line}")
    string(APPEND result "${line}\n")
  endforeach()
  string(APPEND result ".fi\n")
  set(${out} "${result}" PARENT_SCOPE)
endfunction()

string(TOUPPER "${NAME}" title)
string(REPLACE "-" "\\-" name_escaped "${NAME}")
help_of(help)
as_troff(body "${help}")
set(page ".TH ${title} 1 \"${DATE}\" \"Lumivane ${VERSION}\" \"User Commands\"\n")
string(APPEND page ".SH NAME\n${name_escaped} \\- ${SUMMARY}\n")
string(APPEND page ".SH DESCRIPTION\n${body}")
if(COMMANDS)
  string(APPEND page ".SH COMMANDS\n")
  foreach(command IN LISTS COMMANDS)
    help_of(text ${command})
    string(FIND "${text}" "\nExit statuses:" statuses)
    if(statuses GREATER -1)
      string(SUBSTRING "${text}" 0 ${statuses} text)
      string(APPEND text "\n")
    endif()
    as_troff(body "${text}")
    string(APPEND page ".SS ${command}\n${body}")
  endforeach()
endif()
foreach(topic IN LISTS TOPICS)
  run_program(text help ${topic})
  string(FIND "${text}" "\n" title_end)
  string(SUBSTRING "${text}" 0 ${title_end} title_line)
  math(EXPR body_start "${title_end} + 1")
  string(SUBSTRING "${text}" ${body_start} -1 text)
  string(REGEX REPLACE "^\n+" "" text "${text}")
  string(TOUPPER "${title_line}" title_line)
  as_troff(body "${text}")
  string(APPEND page ".SH ${title_line}\n${body}")
endforeach()
if(SEE_ALSO)
  set(refs "")
  foreach(other IN LISTS SEE_ALSO)
    string(REPLACE "-" "\\-" other "${other}")
    list(APPEND refs "\\fB${other}\\fR(1)")
  endforeach()
  list(JOIN refs ", " refs)
  string(APPEND page ".SH SEE ALSO\n${refs}\n")
endif()
file(WRITE "${OUT}" "${page}")
