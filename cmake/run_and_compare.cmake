# Runs a gaugehost script and compares what it prints with the expected output.
#   cmake -DHOST="<command;args>" -DSCRIPT=<file.gh> -DEXPECTED=<file.expected> -P run_and_compare.cmake
# With -DUPDATE=ON the expected file is rewritten instead.
execute_process(COMMAND ${HOST} ${SCRIPT} OUTPUT_VARIABLE actual ERROR_VARIABLE errors RESULT_VARIABLE status)
if(NOT status EQUAL 0)
    message(FATAL_ERROR "gaugehost exited with ${status}: ${errors}")
endif()
string(REPLACE "\r\n" "\n" actual "${actual}")
if(UPDATE)
    file(WRITE ${EXPECTED} "${actual}")
    return()
endif()
file(READ ${EXPECTED} expected)
if(NOT actual STREQUAL expected)
    file(WRITE ${EXPECTED}.actual "${actual}")
    message(FATAL_ERROR "output differs from ${EXPECTED}; see ${EXPECTED}.actual\n"
                        "(run tools/gaugehost/update_expected.sh after checking the change)")
endif()
