# printtest prints its two pages into a PDF: an A4 portrait page and an A5
# landscape one, each at its own size.
file(REMOVE ${PDF})
execute_process(COMMAND ${PRINTTEST} --file ${PDF} OUTPUT_VARIABLE out ERROR_VARIABLE err RESULT_VARIABLE rc TIMEOUT 60)
string(REGEX REPLACE "QStandardPaths: [^\n]*\n" "" err "${err}")
if(NOT rc EQUAL 0 OR NOT out MATCHES "^printed 2 pages on .* to ${PDF}\n$" OR NOT err STREQUAL "")
  message(FATAL_ERROR "printtest ended with ${rc}:\n${out}${err}")
endif()
execute_process(COMMAND pdfinfo -f 1 -l 2 ${PDF} OUTPUT_VARIABLE info RESULT_VARIABLE rc)
if(NOT rc EQUAL 0 OR NOT info MATCHES "Pages: +2\n"
   OR NOT info MATCHES "Page +1 size: +595(\\.[0-9]+)? x 842(\\.[0-9]+)? pts \\(A4\\)"
   OR NOT info MATCHES "Page +2 size: +595(\\.[0-9]+)? x 420(\\.[0-9]+)? pts \\(A5\\)")
  message(FATAL_ERROR "not two pages, A4 portrait and A5 landscape:\n${info}")
endif()
