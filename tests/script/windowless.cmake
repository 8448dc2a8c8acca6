# scriptrun without the window system: each case is a file in DATA, the
# exit status, what standard output must be, and whether a Qt platform
# plugin may load (QT_DEBUG_PLUGINS=1 makes Qt say so on standard error).
cmake_minimum_required(VERSION 3.25)
set(cases
  "empty.pas|0||no"
  "plain.pas|0|a,b 42 TFormula\n|no"
  "syntax_error.pas|2|3:8: Expression expected\n|no"
  "names_in_comment.pas|0|plain\n|yes"
  "window_item.pas|0|255 2\n|yes"
  "unit_user.pas|0|hello unit\n|yes")
set(failures 0)
foreach(case IN LISTS cases)
  string(REPLACE "|" ";" parts "${case}")
  list(GET parts 0 file)
  list(GET parts 1 status)
  list(GET parts 2 expected)
  list(GET parts 3 plugin)
  string(REPLACE "\\n" "\n" expected "${expected}")
  execute_process(COMMAND ${CMAKE_COMMAND} -E env QT_DEBUG_PLUGINS=1 QT_QPA_PLATFORM=offscreen
                          ${SCRIPTRUN} ${DATA}/${file}
                  OUTPUT_VARIABLE out ERROR_VARIABLE err RESULT_VARIABLE rc TIMEOUT 60)
  string(FIND "${err}" "platforms" loaded)
  if(NOT rc STREQUAL status OR NOT out STREQUAL expected)
    message(SEND_ERROR "${file}: status ${rc}, printed:\n${out}")
    math(EXPR failures "${failures} + 1")
  elseif(plugin STREQUAL "no" AND NOT loaded EQUAL -1)
    message(SEND_ERROR "${file} loaded a Qt platform plugin:\n${err}")
    math(EXPR failures "${failures} + 1")
  elseif(plugin STREQUAL "yes" AND loaded EQUAL -1)
    message(SEND_ERROR "${file} did not reach scriptrun_qt:\n${err}")
    math(EXPR failures "${failures} + 1")
  endif()
endforeach()
if(failures GREATER 0)
  message(FATAL_ERROR "${failures} cases failed")
endif()
