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
endif()
