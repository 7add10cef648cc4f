# One CTest test per gaugehost script under tests/scripts/: the build's gaugehost runs it and
# its output must equal the script's .expected file, which both builds share.
function(add_gaugehost_script_tests prefix)
    file(GLOB scripts CONFIGURE_DEPENDS ${PROJECT_SOURCE_DIR}/tests/scripts/*.gh)
    foreach(script ${scripts})
        get_filename_component(name ${script} NAME_WE)
        string(REPLACE ".gh" ".expected" expected ${script})
        add_test(NAME ${prefix}.${name}
                 COMMAND ${CMAKE_COMMAND} "-DHOST=${ARGN}" -DSCRIPT=${script} -DEXPECTED=${expected}
                         -P ${PROJECT_SOURCE_DIR}/cmake/run_and_compare.cmake)
    endforeach()
endfunction()
