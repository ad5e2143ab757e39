# Fails when a source file includes a header of a layer above its own, or of a layer beside it that it
# must not lean on. The layers, from the bottom:
#   base                             shared basics: daily series, numbers, problems, array statistics
#   crop weather soil disease        the process models: the basics and each other only
#   engine                           inputs, run state, loop, run command: the layers below it only
#   io                               configuration, weather and measurement files: the engine and below
#   inputs                           a season's inputs as typed data and their files: io and below
#   evaluation                       simulated against measured: io and below
#   calibration                      the searches and their objective, and the configuration they read
#                                    and write: evaluation, the typed inputs and below
#   sensitivity                      sampling and ensembles: io and below, not beside it
#   commands                         what the window, the command line and the Python package share on
#                                    typed configurations (a parameter by any of its names, the crop
#                                    workbook, a season's run and report, the calibration and sensitivity
#                                    requests): every subsystem above
#   forms (src/app/forms)            the window's form, its mapping to the season's inputs, the commands
#                                    and sessions that work on it, the user-interface interface: the
#                                    commands and below; nothing below the window includes it or names
#                                    one of the window's controls (ctl::)
#   cli                              the command line and the Python package: the commands and below,
#                                    never the window, its form (FormModel) or its controls (ctl::)
#   app                              the Qt window: everything
# Only the window includes Qt: the core and the command line build without it.
# Run as: cmake -DSOURCE_DIR=<repo> -P IncludeLayers.cmake
cmake_policy(SET CMP0057 NEW) # IN_LIST
set(allowed_base base)
set(allowed_process ${allowed_base} crop weather soil disease)
set(allowed_engine ${allowed_process} engine)
set(allowed_io ${allowed_engine} io)
set(allowed_inputs ${allowed_io} inputs)
set(allowed_evaluation ${allowed_io} evaluation)
set(allowed_calibration ${allowed_evaluation} inputs calibration)
set(allowed_sensitivity ${allowed_io} sensitivity)
set(allowed_commands ${allowed_io} inputs evaluation calibration sensitivity commands)
set(allowed_forms ${allowed_commands} forms)
set(allowed_cli ${allowed_commands})
set(allowed_app ${allowed_forms} app)

set(bad "")
file(GLOB_RECURSE files "${SOURCE_DIR}/src/*.h" "${SOURCE_DIR}/src/*.cpp" "${SOURCE_DIR}/cli/*.h"
     "${SOURCE_DIR}/cli/*.cpp" "${SOURCE_DIR}/python/src/*.h" "${SOURCE_DIR}/python/src/*.cpp")
foreach(file IN LISTS files)
    file(RELATIVE_PATH rel "${SOURCE_DIR}" "${file}")
    if(rel MATCHES "^(cli|python)/")
        set(layer cli)
    elseif(rel MATCHES "^src/app/forms/")
        set(layer forms)
    else()
        string(REGEX REPLACE "^src/([^/]+)/.*" "\\1" layer "${rel}")
    endif()
    if(layer MATCHES "^(crop|weather|soil|disease)$")
        set(layer process)
    endif()
    if(NOT DEFINED allowed_${layer})
        string(APPEND bad "\n  ${rel}: a folder of no known layer")
        continue()
    endif()
    # The window's control names are the form's vocabulary: below it, and in the command line and the
    # Python package, which hold typed configurations, an input is named by its id.
    if(NOT layer MATCHES "^(forms|app)$")
        file(STRINGS "${file}" named_controls REGEX "ctl::|FormModel")
        if(named_controls)
            string(APPEND bad "\n  ${rel}: names the window's form or one of its controls outside the window")
        endif()
    endif()
    file(STRINGS "${file}" includes REGEX "^[ \t]*#[ \t]*include")
    foreach(line IN LISTS includes)
        if(line MATCHES "^[ \t]*#[ \t]*include[ \t]*\"([a-z]+)/")
            if(NOT CMAKE_MATCH_1 IN_LIST allowed_${layer})
                string(APPEND bad "\n  ${rel}: ${line}")
            endif()
        elseif(line MATCHES "^[ \t]*#[ \t]*include[ \t]*<(Q|qt)" AND NOT layer STREQUAL "app")
            string(APPEND bad "\n  ${rel}: ${line} (Qt belongs to the window only)")
        endif()
    endforeach()
endforeach()
# The tests of the basics and of the processes force their inputs: they include their own layer and the
# layers below, never a season, a form or a test helper that builds one.
file(GLOB_RECURSE process_tests "${SOURCE_DIR}/tests/base/*.cpp" "${SOURCE_DIR}/tests/crop/*.cpp"
     "${SOURCE_DIR}/tests/weather/*.cpp" "${SOURCE_DIR}/tests/soil/*.cpp" "${SOURCE_DIR}/tests/disease/*.cpp")
foreach(file IN LISTS process_tests)
    file(RELATIVE_PATH rel "${SOURCE_DIR}" "${file}")
    set(layer process)
    if(rel MATCHES "^tests/base/")
        set(layer base)
    endif()
    file(STRINGS "${file}" includes REGEX "^[ \t]*#[ \t]*include[ \t]*\"[a-z]+/")
    foreach(line IN LISTS includes)
        string(REGEX REPLACE "^[ \t]*#[ \t]*include[ \t]*\"([a-z]+)/.*" "\\1" folder "${line}")
        if(NOT folder IN_LIST allowed_${layer})
            string(APPEND bad "\n  ${rel}: ${line} (a test of the ${layer} layer forces its inputs)")
        endif()
    endforeach()
endforeach()

if(bad)
    message(FATAL_ERROR "Includes pointing up a layer, or controls named below the form:${bad}")
endif()
