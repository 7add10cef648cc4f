# Flies a scenario with the native gaugehost (module linked in) and with the Windows build's
# gaugehost.exe loading the module file under Wine, and requires the same output line for line:
# the same axis events frame by frame, the same summary.
#   cmake -DNATIVE=<gaugehost> -DWINDOWS_HOST=<gaugehost.exe> -DMODULE=<BRASK_TORVIK_V1_0.gau>
#         -DWINE_RUN=<tools/wine/run> -DSCENARIO=<file.gh> -P compare_native_wine.cmake
if(NOT EXISTS ${NATIVE})
    message(FATAL_ERROR "needs the native build: ${NATIVE} is missing (cmake --build --preset native)")
endif()
set(exe ${WINDOWS_HOST})
set(module ${MODULE})
execute_process(COMMAND ${NATIVE} ${SCENARIO} OUTPUT_VARIABLE native ERROR_VARIABLE native_errors RESULT_VARIABLE status)
if(NOT status EQUAL 0)
    message(FATAL_ERROR "native gaugehost exited with ${status}: ${native_errors}")
endif()
execute_process(COMMAND ${WINE_RUN} ${exe} --module ${module} ${SCENARIO}
                OUTPUT_VARIABLE windows ERROR_VARIABLE windows_errors RESULT_VARIABLE status)
if(NOT status EQUAL 0)
    message(FATAL_ERROR "gaugehost.exe under Wine exited with ${status}: ${windows_errors}")
endif()
string(REPLACE "\r\n" "\n" windows "${windows}")
if(NOT native STREQUAL windows)
    get_filename_component(name ${SCENARIO} NAME_WE)
    file(WRITE ${CMAKE_CURRENT_BINARY_DIR}/${name}.native.jsonl "${native}")
    file(WRITE ${CMAKE_CURRENT_BINARY_DIR}/${name}.windows.jsonl "${windows}")
    message(FATAL_ERROR "native and Windows flights differ; see ${name}.native.jsonl and ${name}.windows.jsonl in ${CMAKE_CURRENT_BINARY_DIR}")
endif()
string(REGEX MATCHALL "\"event\":" events "${native}")
list(LENGTH events count)
message(STATUS "native and Windows flights agree: ${count} axis events")
