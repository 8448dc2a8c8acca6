# Runs scriptrun on every corpus program of one language and compares its
# standard output with NAME.out beside it or, for a translation, with the
# PascalScript original's NAME.out in EXPECTED: the same program gives the
# same output in every language. A program must end with status 0, 2
# (compile error) or 3 (run-time error): anything else is a crash.
file(GLOB programs ${CORPUS}/*.${EXTENSION})
set(failures 0)
set(checked 0)
foreach(program ${programs})
  get_filename_component(name ${program} NAME_WE)
  if(EXISTS ${CORPUS}/${name}.out)
    set(expected_file ${CORPUS}/${name}.out)
  elseif(DEFINED EXPECTED AND EXISTS ${EXPECTED}/${name}.out)
    set(expected_file ${EXPECTED}/${name}.out)
  else()
    continue()  # a unit used by other programs
  endif()
  execute_process(COMMAND ${SCRIPTRUN} --lang ${LANGUAGE} ${program}
                  OUTPUT_VARIABLE actual ERROR_VARIABLE err RESULT_VARIABLE rc)
  file(READ ${expected_file} expected)
  if(NOT rc MATCHES "^[023]$")
    message(SEND_ERROR "${program} ended with ${rc}:\n${actual}${err}")
    math(EXPR failures "${failures} + 1")
  elseif(NOT actual STREQUAL expected)
    message(SEND_ERROR "scriptrun output differs for ${program}:\n${actual}")
    math(EXPR failures "${failures} + 1")
  endif()
  math(EXPR checked "${checked} + 1")
endforeach()
if(checked LESS MINIMUM)
  message(FATAL_ERROR "only ${checked} corpus programs")
endif()
if(failures GREATER 0)
  message(FATAL_ERROR "${failures} of ${checked} corpus programs differ")
endif()
