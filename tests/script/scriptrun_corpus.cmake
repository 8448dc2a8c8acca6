# Runs scriptrun on every corpus program and compares its standard output
# with NAME.out. A program must end with status 0, 2 (compile error) or 3
# (run-time error): anything else is a crash.
file(GLOB programs ${CORPUS}/*.pas)
set(failures 0)
set(checked 0)
foreach(program ${programs})
  string(REGEX REPLACE "\\.pas$" "" base ${program})
  if(NOT EXISTS ${base}.out)
    continue()  # a unit used by other programs
  endif()
  execute_process(COMMAND ${SCRIPTRUN} --lang PascalScript ${program}
                  OUTPUT_VARIABLE actual ERROR_VARIABLE err RESULT_VARIABLE rc)
  file(READ ${base}.out expected)
  if(NOT rc MATCHES "^[023]$")
    message(SEND_ERROR "${program} ended with ${rc}:\n${actual}${err}")
    math(EXPR failures "${failures} + 1")
  elseif(NOT actual STREQUAL expected)
    message(SEND_ERROR "scriptrun output differs for ${program}:\n${actual}")
    math(EXPR failures "${failures} + 1")
  endif()
  math(EXPR checked "${checked} + 1")
endforeach()
if(checked LESS 40)
  message(FATAL_ERROR "only ${checked} corpus programs")
endif()
if(failures GREATER 0)
  message(FATAL_ERROR "${failures} of ${checked} corpus programs differ")
endif()
