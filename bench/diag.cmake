# OVD_GetSetting on an NT machine with four 60-byte records (target: at most 200 us a call).
ovtb_add_bench(diag_bench SOURCES ${CMAKE_CURRENT_SOURCE_DIR}/diag_bench.cpp
               LIBS TBDiag ovtb_catalog ovtb_registry ovtb_machine)
