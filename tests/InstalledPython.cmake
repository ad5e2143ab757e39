# Installs the build into a scratch prefix and, from a folder outside the build and source trees, imports
# the package tulo from the folder Debian's interpreter reads for that prefix and runs an installed
# example season with it and with the installed tulo-cli: the installed module must load without the
# build tree, with its Python files beside it and its shared libraries found.
# Run as: cmake -DBUILD_DIR=<build> -DPREFIX=<scratch> -DPYTHON=<interpreter> -DPACKAGES=<rel. dir>
#               -DEXAMPLES=<rel. dir> -DBIN=<rel. dir> -P InstalledPython.cmake
include("${CMAKE_CURRENT_LIST_DIR}/StagedInstall.cmake")
if(NOT EXISTS "${PREFIX}/${PACKAGES}/tulo/__init__.py")
    message(FATAL_ERROR "the package tulo is not installed in ${PACKAGES}, where Python looks for it")
endif()

set(elsewhere "${PREFIX}/elsewhere")
file(MAKE_DIRECTORY "${elsewhere}")
set(check [=[
import os, sys, tulo
prefix = os.path.realpath(sys.argv[1])
assert os.path.realpath(tulo.__file__).startswith(prefix + os.sep), "tulo imported from " + tulo.__file__
summary = tulo.Season.from_file(os.path.join(prefix, sys.argv[2], "demo.sim")).summary()
assert summary["agb_max"] > 0, summary
]=])
# -I would drop PYTHONPATH too; -s and a clean PYTHONPATH keep the build tree and the user's folders out.
execute_process(COMMAND "${CMAKE_COMMAND}" -E env --unset=PYTHONHOME "PYTHONPATH=${PREFIX}/${PACKAGES}"
                        PYTHONDONTWRITEBYTECODE=1 "${PYTHON}" -s -c "${check}" "${PREFIX}" "${EXAMPLES}"
                WORKING_DIRECTORY "${elsewhere}" RESULT_VARIABLE status OUTPUT_VARIABLE output ERROR_VARIABLE errors)
if(NOT status EQUAL 0)
    message(FATAL_ERROR "the installed package tulo does not import or run:\n${output}${errors}")
endif()
execute_process(COMMAND "${PREFIX}/${BIN}/tulo-cli" run "${PREFIX}/${EXAMPLES}/demo.sim" --json
                WORKING_DIRECTORY "${elsewhere}" RESULT_VARIABLE status OUTPUT_QUIET ERROR_VARIABLE errors)
if(NOT status EQUAL 0)
    message(FATAL_ERROR "the installed tulo-cli does not run the installed demo season:\n${errors}")
endif()
message(STATUS "the installed package tulo imports from ${PACKAGES} and runs the installed demo season")
