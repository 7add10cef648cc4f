# Runs a gaugehost script through two hosts from the source folder (scripts name files relative
# to it), each writing its flight records into a folder of its own, and requires the same output
# byte for byte and the same files written.
#   cmake "-DFIRST=<command;args>" "-DSECOND=<command;args>" -DSCRIPT=<file.gh> -DWORK=<folder>
#         -DSOURCE_DIR=<source folder> -P compare_hosts.cmake
file(REMOVE_RECURSE ${WORK})
file(MAKE_DIRECTORY ${WORK}/first ${WORK}/second)
foreach(side first second)
    string(TOUPPER ${side} variable)
    set(ENV{GAUGEHOST_FLIGHT_DIR} ${WORK}/${side})
    execute_process(COMMAND ${${variable}} ${SCRIPT} WORKING_DIRECTORY ${SOURCE_DIR}
                    OUTPUT_VARIABLE ${side}_output ERROR_VARIABLE errors RESULT_VARIABLE status)
    if(NOT status EQUAL 0)
        message(FATAL_ERROR "${${variable}} exited with ${status}: ${errors}")
    endif()
    file(WRITE ${WORK}/${side}.out "${${side}_output}")
    file(GLOB ${side}_files RELATIVE ${WORK}/${side} ${WORK}/${side}/*)
endforeach()
if(NOT first_output STREQUAL second_output)
    message(FATAL_ERROR "the outputs differ; see first.out and second.out in ${WORK}")
endif()
if(NOT first_files STREQUAL second_files)
    message(FATAL_ERROR "the files written differ: '${first_files}' against '${second_files}'")
endif()
foreach(name ${first_files})
    file(SHA256 ${WORK}/first/${name} first_hash)
    file(SHA256 ${WORK}/second/${name} second_hash)
    if(NOT first_hash STREQUAL second_hash)
        message(FATAL_ERROR "${name} differs; see the first and second folders in ${WORK}")
    endif()
endforeach()
list(LENGTH first_files count)
message(STATUS "the same output and the same ${count} files")
