# Registry reads on a machine of 10,000 keys, and importing a .reg file of 100,000 values.
ovtb_add_bench(registry_bench SOURCES ${CMAKE_CURRENT_SOURCE_DIR}/registry_bench.cpp
               LIBS ovtb_registry)
