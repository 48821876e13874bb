# The .reg reader: reading, writing back and importing into an in-memory registry.
ovtb_add_fuzzer(reg_file SOURCES ${CMAKE_CURRENT_SOURCE_DIR}/reg_file.cpp LIBS ovtb_registry)
