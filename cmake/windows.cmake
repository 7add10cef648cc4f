# Windows build: the module file the simulator loads, its resources and the Windows test programs.
enable_language(RC)

# The project's compile options are for the C++ compiler; windres takes none of them. This holds
# for every target defined from here on.
get_directory_property(brask_compile_options COMPILE_OPTIONS)
list(TRANSFORM brask_compile_options REPLACE "^(.+)$" "$<$<COMPILE_LANGUAGE:CXX>:\\1>")
set_directory_properties(PROPERTIES COMPILE_OPTIONS "${brask_compile_options}")

# BRASK_TORVIK_V1_0.gau: the module's own code (all of brask_module), the library entry point and
# the bitmaps. The module-definition file gives the internal name and exports ImportTable (1) and
# Linkage (2), nothing else. Everything the compiler brings in is linked statically: the
# simulator's folder has no mingw runtime, so the file imports from Windows system DLLs only.
add_library(brask_torvik_gau SHARED
    module/dll_main.cpp
    module/brask_torvik.def
    resources/bitmaps.rc
)
target_link_libraries(brask_torvik_gau PRIVATE "$<LINK_LIBRARY:WHOLE_ARCHIVE,brask_module>")
# windres looks for the bitmap files named in bitmaps.rc beside it; a changed bitmap rebuilds the
# resources.
target_include_directories(brask_torvik_gau PRIVATE ${PROJECT_SOURCE_DIR}/resources)
file(GLOB brask_bitmaps CONFIGURE_DEPENDS ${PROJECT_SOURCE_DIR}/resources/*.bmp)
set_source_files_properties(resources/bitmaps.rc PROPERTIES OBJECT_DEPENDS "${brask_bitmaps}")
target_link_options(brask_torvik_gau PRIVATE -static -static-libgcc -static-libstdc++ -s)
set_target_properties(brask_torvik_gau PROPERTIES
    PREFIX ""
    OUTPUT_NAME BRASK_TORVIK_V1_0
    SUFFIX .gau
    RUNTIME_OUTPUT_DIRECTORY ${CMAKE_BINARY_DIR}
    ARCHIVE_OUTPUT_DIRECTORY ${CMAKE_BINARY_DIR}/import
)

if(BUILD_TESTING)
    add_subdirectory(tests/windows)

    # The gaugehost scripts through gaugehost.exe and the real module file: the output must equal
    # the same expected files the native build meets, so both builds print the same lines.
    include(${PROJECT_SOURCE_DIR}/cmake/script_tests.cmake)
    add_gaugehost_script_tests(wine_script ${CMAKE_CROSSCOMPILING_EMULATOR} $<TARGET_FILE:gaugehost>
                               --module $<TARGET_FILE:brask_torvik_gau>)

    # The two tests below compare with the native build (BRASK_NATIVE_BUILD_DIR), which the test
    # command builds first; without it they fail and say so rather than pass untried.
    set(BRASK_NATIVE_BUILD_DIR ${PROJECT_SOURCE_DIR}/build/native CACHE PATH "The native build, for the differential tests")
    # needs_native NATIVE_PROGRAM COMMAND...: runs COMMAND once NATIVE_PROGRAM is there. (The
    # script has no ';': in a CMake list it would split the script into separate arguments.)
    set(needs_native sh -c "[ -x \"$1\" ] || { echo \"needs the native build: $1 is missing (cmake --build --preset native)\"\n exit 1\n }\n shift\n exec \"$@\"" needs_native)

    # Our own profile reader and writer against Windows' own, on a corpus of tricky files.
    list(GET CMAKE_CROSSCOMPILING_EMULATOR 0 wine_runner)
    add_test(NAME profile_differential
             COMMAND ${needs_native} ${BRASK_NATIVE_BUILD_DIR}/tools/profile_probe
                     ${PROJECT_SOURCE_DIR}/tests/profile_corpus/differential.sh
                     ${BRASK_NATIVE_BUILD_DIR}/tools/profile_probe ${wine_runner} $<TARGET_FILE:profile_probe>)
    set_tests_properties(profile_differential PROPERTIES TIMEOUT 300)

    # A short closed-loop flight flown by the module file under Wine must give the native build's
    # events frame by frame.
    add_test(NAME flightsim.native_and_windows_agree
             COMMAND ${needs_native} ${BRASK_NATIVE_BUILD_DIR}/tools/gaugehost
                     ${CMAKE_COMMAND} -DNATIVE=${BRASK_NATIVE_BUILD_DIR}/tools/gaugehost
                     -DWINDOWS_HOST=$<TARGET_FILE:gaugehost> -DMODULE=$<TARGET_FILE:brask_torvik_gau>
                     -DWINE_RUN=${wine_runner} -DSCENARIO=${PROJECT_SOURCE_DIR}/tests/scenarios/cruise_short.gh
                     -P ${PROJECT_SOURCE_DIR}/tools/flightsim/compare_native_wine.cmake)
    set_tests_properties(flightsim.native_and_windows_agree PROPERTIES TIMEOUT 300)
endif()

# The package a pilot downloads: brask_torvik-1.0.zip with a gauges folder holding the module file
# and the sample configuration, to be unpacked into the simulator's folder.
set(brask_package_root ${CMAKE_BINARY_DIR}/package)
add_custom_target(brask_torvik_package
    COMMAND ${CMAKE_COMMAND} -E rm -rf ${brask_package_root}
    COMMAND ${CMAKE_COMMAND} -E make_directory ${brask_package_root}/gauges
    COMMAND ${CMAKE_COMMAND} -E copy $<TARGET_FILE:brask_torvik_gau> ${PROJECT_SOURCE_DIR}/config/brask_torvik.cfg
            ${brask_package_root}/gauges
    COMMAND ${CMAKE_COMMAND} -E chdir ${brask_package_root}
            ${CMAKE_COMMAND} -E tar cf ${CMAKE_BINARY_DIR}/brask_torvik-${PROJECT_VERSION}.zip --format=zip gauges
    DEPENDS brask_torvik_gau
    COMMENT "Packing build/windows/brask_torvik-${PROJECT_VERSION}.zip")
