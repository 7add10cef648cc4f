# Fails with MISSING when FILE does not exist:
#   cmake -DFILE=<path> -DMISSING=<what to do> -P require_file.cmake
if(NOT EXISTS "${FILE}")
    message(FATAL_ERROR "${FILE} is missing: ${MISSING}")
endif()
