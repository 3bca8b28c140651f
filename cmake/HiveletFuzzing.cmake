# Fuzz targets, built only with HIVELET_BUILD_FUZZERS (clang; the fuzz preset).
#
# hivelet_fuzzer(NAME SOURCES ... LIBS ... CORPUS DIR)
#   a libFuzzer program, and a test that runs it once over every input of its corpus
#   (-runs=0: no new inputs), so a target that no longer builds or crashes on its own corpus
#   fails the test command. Fuzzing itself is `NAME CORPUS_DIR` by hand.

function(hivelet_fuzzer name)
  cmake_parse_arguments(F "" "CORPUS" "SOURCES;LIBS" ${ARGN})
  if(NOT HIVELET_BUILD_FUZZERS)
    return()
  endif()
  add_executable(${name} ${F_SOURCES})
  target_link_libraries(${name} PRIVATE ${F_LIBS})
  target_compile_options(${name} PRIVATE -fsanitize=fuzzer)
  target_link_options(${name} PRIVATE -fsanitize=fuzzer)
  add_test(NAME ${name}_corpus COMMAND ${name} -runs=0 ${F_CORPUS})
  set_tests_properties(${name}_corpus PROPERTIES LABELS fuzz TIMEOUT 600)
endfunction()
