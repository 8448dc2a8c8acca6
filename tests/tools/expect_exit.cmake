# Runs one command-line tool on a bad input: it must end with EXIT (never a
# signal), say why on standard error (matching STDERR) and print nothing on
# standard output unless OUTPUT_OK is set. With OUTPUT_FILE its standard
# output goes to that file (/dev/full: a disk with no room).
if(OUTPUT_FILE)
  execute_process(COMMAND ${COMMAND} OUTPUT_FILE ${OUTPUT_FILE} ERROR_VARIABLE err RESULT_VARIABLE rc TIMEOUT 60)
  set(out "")
else()
  execute_process(COMMAND ${COMMAND} OUTPUT_VARIABLE out ERROR_VARIABLE err RESULT_VARIABLE rc TIMEOUT 60)
endif()
if(NOT rc STREQUAL "${EXIT}")
  message(FATAL_ERROR "${COMMAND}\nended with ${rc}, not ${EXIT}:\n${out}${err}")
endif()
if(NOT err MATCHES "${STDERR}")
  message(FATAL_ERROR "${COMMAND}\nstandard error does not say \"${STDERR}\":\n${err}")
endif()
if(NOT OUTPUT_OK AND NOT out STREQUAL "")
  message(FATAL_ERROR "${COMMAND}\nprinted on standard output:\n${out}")
endif()
