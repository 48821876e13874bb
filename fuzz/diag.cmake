# Fuzz targets of the diagnostic library and of the version resource reader it relies on.
ovtb_add_fuzzer(version_resource SOURCES ${CMAKE_CURRENT_SOURCE_DIR}/version_resource.cpp
                LIBS ovtb_version)
ovtb_add_fuzzer(diag_log_config SOURCES ${CMAKE_CURRENT_SOURCE_DIR}/diag_log_config.cpp
                LIBS ovtb_diag_parsers)
ovtb_add_fuzzer(diag_device_ids SOURCES ${CMAKE_CURRENT_SOURCE_DIR}/diag_device_ids.cpp
                LIBS ovtb_diag_parsers)
ovtb_add_fuzzer(diag_nt_records SOURCES ${CMAKE_CURRENT_SOURCE_DIR}/diag_nt_records.cpp
                LIBS ovtb_diag_parsers)
