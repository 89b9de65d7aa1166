# The game in the real window under the virtual X server: make-data writes a data set, the harness
# runs the loading picture, the opening and the title, and keeps their pictures in OUT. Fails on a
# non-zero status, a sanitizer report, or a missing picture.
file(REMOVE_RECURSE ${OUT})
file(MAKE_DIRECTORY ${OUT})
execute_process(COMMAND ${MAKE_DATA} --no-demo ${OUT}/game RESULT_VARIABLE made OUTPUT_QUIET)
if(NOT made EQUAL 0)
  message(FATAL_ERROR "make-data failed: ${made}")
endif()
execute_process(COMMAND ${XVFB_RUN} -a ${HARNESS} --window --virtual-clock --renderer soft --folder ${OUT}/game --frames 260
                        --screenshot loading,60,250 --screenshot-dir ${OUT}
                RESULT_VARIABLE status OUTPUT_VARIABLE out ERROR_VARIABLE err)
message("${out}")
if(NOT status EQUAL 0)
  message(FATAL_ERROR "game-harness ended with ${status}\n${err}")
endif()
if(err MATCHES "LeakSanitizer|AddressSanitizer|runtime error")
  message(FATAL_ERROR "sanitizer report:\n${err}")
endif()
foreach(shot shot_loading.png shot000060.png shot000250.png)
  if(NOT EXISTS ${OUT}/${shot})
    message(FATAL_ERROR "missing picture ${OUT}/${shot}")
  endif()
endforeach()
