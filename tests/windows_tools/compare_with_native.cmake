# Runs one flightsim command with the native build's flightsim and with flightsim.exe under
# wine64, each in a folder of its own with the same relative arguments, and requires the same
# exit status, the same output line for line and the same files written (line ends aside).
#   cmake -DNATIVE=<flightsim> -DWINDOWS_PROGRAM=<flightsim.exe> -DWINE_RUN=<runner|args>
#         -DWORK=<folder> -DARGUMENTS=<a;b;...> [-DOUTPUTS=<file;...>] [-DSKIP_LINES=<regex>]
#         -P compare_with_native.cmake
# The arguments name their inputs relative to the run's folder (../../recording.csv). A line
# holding SKIP_LINES (what differs by design: a plot gnuplot drew, or its script where it did not)
# is left out of both outputs.
if(NOT EXISTS ${NATIVE})
    message(FATAL_ERROR "needs the native build: ${NATIVE} is missing (cmake --build --preset native)")
endif()
string(REPLACE "|" ";" WINE_RUN "${WINE_RUN}")

function(run_in folder)
    file(REMOVE_RECURSE ${WORK}/${folder})
    file(MAKE_DIRECTORY ${WORK}/${folder})
    set(command ${NATIVE})
    if(folder STREQUAL "windows")
        set(command ${WINE_RUN} ${WINDOWS_PROGRAM})
    endif()
    execute_process(COMMAND ${command} ${ARGUMENTS} WORKING_DIRECTORY ${WORK}/${folder}
                    OUTPUT_VARIABLE output ERROR_VARIABLE errors RESULT_VARIABLE status)
    string(REPLACE "\r\n" "\n" output "${output}")
    if(SKIP_LINES)
        string(REGEX REPLACE "(^|\n)[^\n]*${SKIP_LINES}[^\n]*" "" output "${output}")
    endif()
    file(WRITE ${WORK}/${folder}.out "${output}")
    set(${folder}_output "${output}" PARENT_SCOPE)
    set(${folder}_status "${status}" PARENT_SCOPE)
    set(${folder}_errors "${errors}" PARENT_SCOPE)
endfunction()

run_in(native)
run_in(windows)
if(NOT native_status STREQUAL windows_status)
    message(FATAL_ERROR "exit ${native_status} natively, ${windows_status} on Windows: ${windows_errors}")
endif()
if(NOT native_output STREQUAL windows_output)
    message(FATAL_ERROR "native and Windows outputs differ: see ${WORK}/native.out and ${WORK}/windows.out")
endif()
foreach(name IN LISTS OUTPUTS)
    foreach(folder native windows)
        if(NOT EXISTS ${WORK}/${folder}/${name})
            message(FATAL_ERROR "${folder}: ${name} was not written (exit ${${folder}_status}): ${${folder}_errors}")
        endif()
        file(READ ${WORK}/${folder}/${name} ${folder}_file)
        string(REPLACE "\r\n" "\n" ${folder}_file "${${folder}_file}")
    endforeach()
    if(NOT native_file STREQUAL windows_file)
        message(FATAL_ERROR "native and Windows ${name} differ: see ${WORK}/native/${name} and ${WORK}/windows/${name}")
    endif()
endforeach()
string(REGEX MATCHALL "\n" lines "${native_output}")
list(LENGTH lines count)
message(STATUS "native and Windows agree: exit ${native_status}, ${count} lines alike, files alike: ${OUTPUTS}")
