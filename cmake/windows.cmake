# Windows build: the module file the simulator loads, its resources and the Windows test programs.
enable_language(RC)

# The project's compile options are for the C++ compiler; windres takes none of them. This holds
# for every target defined from here on.
get_directory_property(brask_compile_options COMPILE_OPTIONS)
list(TRANSFORM brask_compile_options REPLACE "^(.+)$" "$<$<COMPILE_LANGUAGE:CXX>:\\1>")
set_directory_properties(PROPERTIES COMPILE_OPTIONS "${brask_compile_options}")

# A module file: the library entry point, its module-definition file (the internal name, and
# ImportTable (1) and Linkage (2) exported, nothing else), its bitmaps, and its code layer whole with
# what that uses of the layers below.
#
# The file is linked without the C run-time's start-up code or any default library: DllMain is the
# entry point, the module has no static constructors to run, and it imports only what it calls
# from kernel32, user32, winmm and msvcrt (its allowlist in module/ says which and why), with
# libgcc's arithmetic helpers linked in. So it needs no runtime DLLs beside it, has no TLS, and
# loads on every Windows from 2000 on. windres looks for the bitmap files named in the resource
# script beside it; a changed bitmap rebuilds the resources.
file(GLOB brask_bitmaps CONFIGURE_DEPENDS ${PROJECT_SOURCE_DIR}/resources/*.bmp)
function(brask_module_file target file_name definitions resources code_layer)
    add_library(${target} SHARED module/dll_main.cpp ${definitions} ${resources})
    brask_module_file_compile(${target})
    target_link_libraries(${target} PRIVATE "$<LINK_LIBRARY:WHOLE_ARCHIVE,${code_layer}>")
    target_include_directories(${target} PRIVATE ${PROJECT_SOURCE_DIR}/resources)
    set_source_files_properties(${resources} PROPERTIES OBJECT_DEPENDS "${brask_bitmaps}")
    target_link_options(${target} PRIVATE -nostdlib -Wl,--entry,_DllMain@12 -s)
    set_target_properties(${target} PROPERTIES
        PREFIX ""
        OUTPUT_NAME ${file_name}
        SUFFIX .gau
        RUNTIME_OUTPUT_DIRECTORY ${CMAKE_BINARY_DIR}
        ARCHIVE_OUTPUT_DIRECTORY ${CMAKE_BINARY_DIR}/import
    )
endfunction()

# BRASK_TORVIK_V1_0.gau: the autopilot, the gauges' layer whole (module/imports.allowlist).
brask_module_file(brask_torvik_gau BRASK_TORVIK_V1_0 module/brask_torvik.def resources/bitmaps.rc brask_gauges)
# BRASK_TORVIK_REC.gau: the flight-test recorder, a module file of its own built to the same
# standards, exporting its own records (module/recorder_imports.allowlist).
brask_module_file(brask_recorder_gau BRASK_TORVIK_REC module/recorder.def resources/recorder.rc brask_recorder)

# A module file with a static constructor planted, linked as the real one is, for the native test
# that refuses start-up code in a module file (tests/module_file/).
add_library(planted_constructor SHARED tests/module_file/planted_constructor.cpp)
brask_module_file_compile(planted_constructor)
target_link_options(planted_constructor PRIVATE -nostdlib -Wl,--entry,_DllMain@12 -s)
set_target_properties(planted_constructor PROPERTIES PREFIX "" SUFFIX .gau RUNTIME_OUTPUT_DIRECTORY ${CMAKE_BINARY_DIR}
                                                     ARCHIVE_OUTPUT_DIRECTORY ${CMAKE_BINARY_DIR}/import)

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

    # Our own profile reader and writer against Windows' own, on a corpus of tricky files.
    list(GET CMAKE_CROSSCOMPILING_EMULATOR 0 wine_runner)
    add_test(NAME profile_differential
             COMMAND ${PROJECT_SOURCE_DIR}/tests/profile_corpus/differential.sh
                     ${BRASK_NATIVE_BUILD_DIR}/tools/profile_probe ${wine_runner} $<TARGET_FILE:profile_probe>)
    set_tests_properties(profile_differential PROPERTIES TIMEOUT 300)

    # A short closed-loop flight flown by the module file under Wine must give the native build's
    # events frame by frame.
    add_test(NAME flightsim.native_and_windows_agree
             COMMAND ${CMAKE_COMMAND} -DNATIVE=${BRASK_NATIVE_BUILD_DIR}/tools/gaugehost
                     -DWINDOWS_HOST=$<TARGET_FILE:gaugehost> -DMODULE=$<TARGET_FILE:brask_torvik_gau>
                     -DWINE_RUN=${wine_runner} -DSCENARIO=${PROJECT_SOURCE_DIR}/tests/scenarios/cruise_short.gh
                     -P ${PROJECT_SOURCE_DIR}/tools/flightsim/compare_native_wine.cmake)
    set_tests_properties(flightsim.native_and_windows_agree PROPERTIES TIMEOUT 300)
endif()

# The package a pilot downloads, brask_torvik-<version>.zip:
#   gauges/BRASK_TORVIK_V1_0.gau, gauges/brask_torvik.cfg   for the simulator's gauges folder
#   gauges/BRASK_TORVIK_REC.gau                               the flight-test recorder
#   README.txt, panel_example.cfg                             installation in short, panel.cfg lines
#   guide/pilot-guide.html, guide/gauges/, guide/flights/,    the pilot's guide and its pictures
#   guide/panel/, guide/identify/
#   install_panel.bat, uninstall_panel.bat,                   the panel installer, its undoing, the
#   check_panel.bat, tools/gaugehost.exe                      panel checker and its pictures
#   recommended/NAME.cfg                                      gains tuned for each aircraft of the
#                                                             flight simulator (config/recommended/)
#   tools/flightsim.exe, tools/aircraft/NAME.aircraft         identify, tune and margins for the
#                                                             pilot's own helicopter (64-bit; built
#                                                             by the windows-tools preset), and the
#                                                             model helicopters a fit starts from
# The text files a pilot opens in Notepad get Windows line ends here. The guide's HTML is made
# from docs/pilot-guide.md by pandoc; its pictures are drawn by tools/guide/make_guide_pictures.sh
# and committed under docs/.
set(brask_package_root ${CMAKE_BINARY_DIR}/package)
set(brask_package_zip ${CMAKE_BINARY_DIR}/brask_torvik-${PROJECT_VERSION}.zip)
set(brask_package_text ${CMAKE_BINARY_DIR}/package_text)
configure_file(docs/README.txt ${brask_package_text}/README.txt @ONLY NEWLINE_STYLE CRLF)
configure_file(docs/panel_example.cfg ${brask_package_text}/panel_example.cfg @ONLY NEWLINE_STYLE CRLF)
foreach(batch check_panel install_panel uninstall_panel)
    configure_file(docs/${batch}.bat ${brask_package_text}/${batch}.bat @ONLY NEWLINE_STYLE CRLF)
endforeach()
configure_file(config/brask_torvik.cfg ${brask_package_text}/brask_torvik.cfg @ONLY NEWLINE_STYLE CRLF)
file(GLOB brask_recommended_configs CONFIGURE_DEPENDS ${PROJECT_SOURCE_DIR}/config/recommended/*.cfg)
set(brask_recommended_packed "")
foreach(config IN LISTS brask_recommended_configs)
    get_filename_component(config_name ${config} NAME)
    configure_file(${config} ${brask_package_text}/recommended/${config_name} @ONLY NEWLINE_STYLE CRLF)
    list(APPEND brask_recommended_packed ${brask_package_text}/recommended/${config_name})
endforeach()

find_program(BRASK_PANDOC pandoc DOC "pandoc: turns the pilot's guide into HTML (installed by scripts/setup.sh)")
if(BRASK_PANDOC)
    set(brask_make_guide ${BRASK_PANDOC} ${PROJECT_SOURCE_DIR}/docs/pilot-guide.md --standalone
        --metadata "pagetitle=brask_torvik pilot's guide" --wrap=none --output ${brask_package_root}/guide/pilot-guide.html)
else()
    set(brask_make_guide ${CMAKE_COMMAND} -E echo "pandoc is missing: run scripts/setup.sh" COMMAND ${CMAKE_COMMAND} -E false)
endif()

# The pilot's Windows tools come from their own build (the windows-tools preset, x86_64), which
# the test command builds before the package.
set(BRASK_WINDOWS_TOOLS_DIR ${PROJECT_SOURCE_DIR}/build/windows-tools CACHE PATH "The pilot's Windows tools' build")
set(brask_flightsim_exe ${BRASK_WINDOWS_TOOLS_DIR}/tools/flightsim/flightsim.exe)
# The model helicopters a fit may start from (flightsim identify --aircraft).
set(brask_aircraft_files ${PROJECT_SOURCE_DIR}/tools/flightsim/bo105.aircraft ${PROJECT_SOURCE_DIR}/tools/flightsim/ab206.aircraft
    ${PROJECT_SOURCE_DIR}/tools/flightsim/uh60a.aircraft)

add_custom_target(brask_torvik_package
    COMMAND ${CMAKE_COMMAND} -DFILE=${brask_flightsim_exe}
            "-DMISSING=needs the pilot's Windows tools: cmake --preset windows-tools && cmake --build --preset windows-tools"
            -P ${PROJECT_SOURCE_DIR}/cmake/require_file.cmake
    COMMAND ${CMAKE_COMMAND} -E rm -rf ${brask_package_root} ${brask_package_zip}
    COMMAND ${CMAKE_COMMAND} -E make_directory ${brask_package_root}/gauges ${brask_package_root}/guide
            ${brask_package_root}/recommended ${brask_package_root}/tools ${brask_package_root}/tools/aircraft
    COMMAND ${CMAKE_COMMAND} -E copy $<TARGET_FILE:brask_torvik_gau> $<TARGET_FILE:brask_recorder_gau>
            ${brask_package_text}/brask_torvik.cfg ${brask_package_root}/gauges
    COMMAND ${CMAKE_COMMAND} -E copy ${brask_package_text}/README.txt ${brask_package_text}/panel_example.cfg
            ${brask_package_text}/check_panel.bat ${brask_package_text}/install_panel.bat
            ${brask_package_text}/uninstall_panel.bat ${brask_package_root}
    COMMAND ${CMAKE_COMMAND} -E copy $<TARGET_FILE:gaugehost> ${brask_flightsim_exe} ${brask_package_root}/tools
    COMMAND ${CMAKE_COMMAND} -E copy ${brask_recommended_packed} ${brask_package_root}/recommended
    COMMAND ${brask_make_guide}
    COMMAND ${CMAKE_COMMAND} -E copy_directory ${PROJECT_SOURCE_DIR}/docs/gauges ${brask_package_root}/guide/gauges
    COMMAND ${CMAKE_COMMAND} -E copy_directory ${PROJECT_SOURCE_DIR}/docs/flights ${brask_package_root}/guide/flights
    COMMAND ${CMAKE_COMMAND} -E copy_directory ${PROJECT_SOURCE_DIR}/docs/panel ${brask_package_root}/guide/panel
    COMMAND ${CMAKE_COMMAND} -E copy_directory ${PROJECT_SOURCE_DIR}/docs/identify ${brask_package_root}/guide/identify
    COMMAND ${CMAKE_COMMAND} -E copy ${brask_aircraft_files} ${brask_package_root}/tools/aircraft
    COMMAND ${CMAKE_COMMAND} -E chdir ${brask_package_root}
            ${CMAKE_COMMAND} -E tar cf ${brask_package_zip} --format=zip README.txt panel_example.cfg check_panel.bat
            install_panel.bat uninstall_panel.bat gauges guide recommended tools
    DEPENDS brask_torvik_gau brask_recorder_gau gaugehost
    VERBATIM
    COMMENT "Packing build/windows/brask_torvik-${PROJECT_VERSION}.zip")

# Unpacks the package and checks what a pilot gets (a plain check on this machine, no Wine):
# scripts/test.sh builds it.
add_custom_target(brask_torvik_package_check
    COMMAND ${CMAKE_COMMAND} -DZIP=${brask_package_zip} -DGAU=$<TARGET_FILE:brask_torvik_gau>
            -DRECORDER=$<TARGET_FILE:brask_recorder_gau>
            -DSOURCE_DIR=${PROJECT_SOURCE_DIR} -DWORK_DIR=${CMAKE_BINARY_DIR}/package_check
            -P ${PROJECT_SOURCE_DIR}/tools/guide/check_package.cmake
    DEPENDS brask_torvik_package
    VERBATIM
    COMMENT "Checking build/windows/brask_torvik-${PROJECT_VERSION}.zip")
