# The libraries and test programs of a TULO_UNITY build compile their sources in batches. A source whose
# file-local helpers have the names of another's (each sensitivity method's Parse, Text, Draw, ...) stays
# on its own: one batch cannot hold both.
file(GLOB TULO_UNITY_ALONE CONFIGURE_DEPENDS ${PROJECT_SOURCE_DIR}/src/sensitivity/methods/*.cpp)
foreach(source src/sensitivity/SimLab.cpp src/inputs/SitesTable.cpp src/io/XlsxReader.cpp
               src/calibration/Uncertainty.cpp src/weather/Meteo.cpp src/engine/DailyLoop.cpp
               src/app/forms/ConfigurationForm.cpp src/app/ReinitWindow.cpp src/app/GridTableModel.cpp
               src/app/NewSeasonDialog.cpp cli/Ensemble.cpp cli/EvaluateSites.cpp)
    list(APPEND TULO_UNITY_ALONE ${PROJECT_SOURCE_DIR}/${source})
endforeach()
# Source properties belong to a folder: the Python module's copy of the core is made in python/.
set(TULO_UNITY_FOLDERS ${PROJECT_SOURCE_DIR})
if(TARGET tulo_core_pic)
    list(APPEND TULO_UNITY_FOLDERS ${PROJECT_SOURCE_DIR}/python)
endif()
set_source_files_properties(${TULO_UNITY_ALONE} DIRECTORY ${TULO_UNITY_FOLDERS}
                            PROPERTIES SKIP_UNITY_BUILD_INCLUSION ON)
foreach(library tulo_core tulo_core_pic _tulo tulo_forms tulo_cli tulo_app tulo_tests tulo_thread_tests
                tulo_window_tests)
    if(TARGET ${library})
        set_target_properties(${library} PROPERTIES UNITY_BUILD ON UNITY_BUILD_BATCH_SIZE 12)
        # GCC spares a source's own file-local types this warning but not those of an included source,
        # which every source of a batch is.
        target_compile_options(${library} PRIVATE $<$<CXX_COMPILER_ID:GNU>:-Wno-subobject-linkage>)
    endif()
endforeach()
