# A tool killed in the middle of a save (its files may not grow past a few
# kilobytes, so the kernel ends it at the write that passes that): the file
# it was replacing must stay byte for byte as it was, and still read.
file(COPY_FILE ${OLD} ${TARGET})
file(SHA256 ${TARGET} before)
execute_process(COMMAND sh -c "ulimit -f 16; exec \"$0\" \"$@\"" ${COMMAND} RESULT_VARIABLE rc TIMEOUT 60)
if(rc EQUAL 0)
  message(FATAL_ERROR "${COMMAND}\nwas not stopped by the file size limit")
endif()
file(SHA256 ${TARGET} after)
if(NOT before STREQUAL after)
  message(FATAL_ERROR "${COMMAND}\nended with ${rc} and changed ${TARGET}")
endif()
# The temporary file the killed tool left beside the target goes.
file(GLOB leftovers ${TARGET}.??????)
if(leftovers)
  file(REMOVE ${leftovers})
endif()
