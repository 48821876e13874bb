# Small helpers so that every folder declares its libraries, tests, fuzzers and benchmarks alike.

# ovtb_platform_library(NAME SOURCES ... [LIBS ...])
# A platform area is a shared library in bin/, so that a process and every module it loads
# share one instance of it (one registry connection, one handle table), as with a system DLL.
function(ovtb_platform_library name)
  cmake_parse_arguments(ARG "" "" "SOURCES;LIBS" ${ARGN})
  add_library(${name} SHARED ${ARG_SOURCES})
  target_link_libraries(${name} PUBLIC ${ARG_LIBS})
endfunction()

# ovtb_add_test(NAME SOURCES ... [LIBS ...])
function(ovtb_add_test name)
  if(NOT OVTB_TESTS)
    return()
  endif()
  cmake_parse_arguments(ARG "" "" "SOURCES;LIBS" ${ARGN})
  add_executable(${name} ${ARG_SOURCES})
  target_link_libraries(${name} PRIVATE ${ARG_LIBS} GTest::gtest GTest::gmock GTest::gtest_main)
  set_target_properties(${name} PROPERTIES RUNTIME_OUTPUT_DIRECTORY ${CMAKE_BINARY_DIR}/tests)
  gtest_discover_tests(${name} WORKING_DIRECTORY ${CMAKE_SOURCE_DIR} DISCOVERY_TIMEOUT 60
                       PROPERTIES ENVIRONMENT "OVTB_BIN=${CMAKE_BINARY_DIR}/bin")
endfunction()

# ovtb_add_fuzzer(NAME SOURCES ... [LIBS ...]): built only in the fuzz preset; the corpus
# seeds live in fuzz/corpus/NAME/.
function(ovtb_add_fuzzer name)
  if(NOT OVTB_FUZZ)
    return()
  endif()
  cmake_parse_arguments(ARG "" "" "SOURCES;LIBS" ${ARGN})
  add_executable(${name} ${ARG_SOURCES})
  target_link_libraries(${name} PRIVATE ${ARG_LIBS})
  target_link_options(${name} PRIVATE -fsanitize=fuzzer)
  set_target_properties(${name} PROPERTIES RUNTIME_OUTPUT_DIRECTORY ${CMAKE_BINARY_DIR}/fuzz)
  add_dependencies(fuzz-all ${name})
endfunction()

# ovtb_add_bench(NAME SOURCES ... [LIBS ...]): built only with OVTB_BENCH (the release preset).
function(ovtb_add_bench name)
  if(NOT OVTB_BENCH)
    return()
  endif()
  cmake_parse_arguments(ARG "" "" "SOURCES;LIBS" ${ARGN})
  add_executable(${name} ${ARG_SOURCES})
  target_link_libraries(${name} PRIVATE ${ARG_LIBS} benchmark::benchmark)
  set_target_properties(${name} PROPERTIES RUNTIME_OUTPUT_DIRECTORY ${CMAKE_BINARY_DIR}/bench)
endfunction()
