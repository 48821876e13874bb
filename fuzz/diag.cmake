# Fuzz targets of the diagnostic library and of the version resource reader it relies on.
ovtb_add_fuzzer(version_resource SOURCES ${CMAKE_CURRENT_SOURCE_DIR}/version_resource.cpp
                LIBS ovtb_version)
