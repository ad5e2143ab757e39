# Fails when a source file includes a header of a layer above its own. The layers, from the bottom:
#   base                             shared basics: daily series, numbers, problems, array statistics
#   crop weather soil disease        the process models: the basics and each other only
#   engine                           inputs, run state, loop, run command: the layers below it only
#   io evaluation calibration sensitivity, then app and cli
# Run as: cmake -DSOURCE_DIR=<repo> -P IncludeLayers.cmake
cmake_policy(SET CMP0057 NEW) # IN_LIST
set(allowed_base base)
set(allowed_process base crop weather soil disease)
set(allowed_engine base crop weather soil disease engine)
set(bad "")
file(GLOB_RECURSE files "${SOURCE_DIR}/src/*.h" "${SOURCE_DIR}/src/*.cpp")
foreach(file IN LISTS files)
    file(RELATIVE_PATH rel "${SOURCE_DIR}/src" "${file}")
    string(REGEX REPLACE "/.*" "" layer "${rel}")
    if(layer STREQUAL "base")
        set(allowed ${allowed_base})
    elseif(layer MATCHES "^(crop|weather|soil|disease)$")
        set(allowed ${allowed_process})
    elseif(layer STREQUAL "engine")
        set(allowed ${allowed_engine})
    else()
        continue()
    endif()
    file(STRINGS "${file}" includes REGEX "^#include \"[a-z]+/")
    foreach(line IN LISTS includes)
        string(REGEX REPLACE "^#include \"([a-z]+)/.*" "\\1" target "${line}")
        if(NOT target IN_LIST allowed)
            string(APPEND bad "\n  src/${rel}: ${line}")
        endif()
    endforeach()
endforeach()
if(bad)
    message(FATAL_ERROR "Includes pointing up a layer:${bad}")
endif()
