# The module's layers. brask_module_layer(NAME STATIC|INTERFACE FILES...) makes one layer's library;
# layers are declared from the bottom up, and the order of declaration is the order of the layers.
# Every file is recorded with its layer, for the check that includes only point down.
#
# On Windows the layers are built for the module file the simulator loads: with the win32-thread
# variant of the mingw-w64 compiler (tools/mingw/win32_variant swaps it in for the toolchain's
# posix-thread one, which the test programs keep), and without exceptions, run-time type
# information or thread-safe statics, so that no C++ run-time library comes with them; and at -O2,
# since -O3's unrolling costs some 5 KB of the file's 64 KB budget for a cycle that is fast either way.
# Its code is for the Pentium Pro and later (i686: CMOV and FCOMI) with x87 arithmetic and no MMX,
# SSE or later instruction, for the Pentium II and III and Athlon processors of the simulator's era;
# every entry point sets the x87 unit to 53-bit precision (platform/module_precision.h), so each
# double operation still rounds as the native build's SSE2 does.
set_property(GLOBAL PROPERTY brask_layer_files "")
set_property(GLOBAL PROPERTY brask_layer_count 0)
set_property(GLOBAL PROPERTY brask_layer_names "")

# Records the files of the next layer up.
function(brask_record_layer name)
    get_property(index GLOBAL PROPERTY brask_layer_count)
    math(EXPR next "${index} + 1")
    set_property(GLOBAL PROPERTY brask_layer_count ${next})
    set_property(GLOBAL APPEND PROPERTY brask_layer_names ${name})
    foreach(file ${ARGN})
        set_property(GLOBAL APPEND PROPERTY brask_layer_files "${index} ${name} ${file}")
    endforeach()
endfunction()

# A layer's files are reachable only through its own folder, build/layers/NAME, which holds a
# link to each of them at its path in the source tree; the layer's sources are compiled through
# those links. So a layer sees its own headers and those of the layers it links, nothing above:
# an include of a higher layer's header fails to compile however it is spelt ("gauges/a_pilot.h",
# "../gauges/a_pilot.h" looked up beside the file, <gauges/a_pilot.h>). The layer's files, in
# the tree, are returned in the variable named by out.
function(brask_layer_folder name out)
    set(folder ${CMAKE_BINARY_DIR}/layers/${name})
    file(REMOVE_RECURSE ${folder})
    file(MAKE_DIRECTORY ${folder})
    set(linked "")
    foreach(file ${ARGN})
        get_filename_component(parent ${folder}/${file} DIRECTORY)
        file(MAKE_DIRECTORY ${parent})
        file(CREATE_LINK ${PROJECT_SOURCE_DIR}/${file} ${folder}/${file} SYMBOLIC)
        list(APPEND linked ${folder}/${file})
    endforeach()
    set(${out} ${linked} PARENT_SCOPE)
endfunction()

# Every file of a layer is compiled through cmake/layer_compile.sh, which fails the build when the
# file was compiled with a header of a higher layer, however the include reached it ("../../../..",
# an absolute path). The layers below are those declared before it.
function(brask_layer_compile name)
    get_property(lower GLOBAL PROPERTY brask_layer_names)
    list(REMOVE_ITEM lower ${name})
    set(launcher ${PROJECT_SOURCE_DIR}/cmake/layer_compile.sh ${CMAKE_BINARY_DIR} ${PROJECT_SOURCE_DIR} ${name} ${lower} --)
    if(BRASK_MODULE_FILE_BUILD)
        list(APPEND launcher ${PROJECT_SOURCE_DIR}/tools/mingw/win32_variant)
    endif()
    set_target_properties(${name} PROPERTIES CXX_COMPILER_LAUNCHER "${launcher}")
endfunction()

function(brask_module_layer name kind)
    brask_record_layer(${name} ${ARGN})
    brask_layer_folder(${name} files ${ARGN})

    add_library(${name} ${kind} ${files})
    if(kind STREQUAL "INTERFACE")
        target_include_directories(${name} INTERFACE ${CMAKE_BINARY_DIR}/layers/${name})
        return()
    endif()
    target_include_directories(${name} PUBLIC ${CMAKE_BINARY_DIR}/layers/${name})
    if(BRASK_MODULE_FILE_BUILD)
        brask_module_file_compile(${name})
    endif()
    brask_layer_compile(${name})
endfunction()

# The compiler and options of the module file's own code (Windows build).
function(brask_module_file_compile name)
    target_compile_options(${name} PRIVATE
        $<$<COMPILE_LANGUAGE:CXX>:-O2 -fno-exceptions -fno-rtti -fno-threadsafe-statics -fno-asynchronous-unwind-tables
                                  -march=i686 -mtune=generic -mfpmath=387 -mno-mmx -mno-sse -mno-3dnow>)
    set_target_properties(${name} PROPERTIES
        CXX_COMPILER_LAUNCHER ${PROJECT_SOURCE_DIR}/tools/mingw/win32_variant
        CXX_LINKER_LAUNCHER ${PROJECT_SOURCE_DIR}/tools/mingw/win32_variant)
endfunction()

# Writes the layer of every file, one "INDEX LAYER FILE" line each, for the layering check.
function(brask_write_layer_files path)
    get_property(lines GLOBAL PROPERTY brask_layer_files)
    list(JOIN lines "\n" text)
    file(WRITE ${path} "${text}\n")
endfunction()
