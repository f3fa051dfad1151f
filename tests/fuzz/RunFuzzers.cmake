# Configures a clang tree instrumented for libFuzzer with AddressSanitizer and
# UndefinedBehaviorSanitizer, builds the fuzz targets and the seed writer there, writes fresh seeds
# and runs every target for a fixed number of runs from a fixed seed. Fails on a build error, a
# failed check in a target, a sanitizer report or a leak; the input that failed is kept in
# BINARY_DIR/fuzz-run/artifacts.
#
#   TARGETS    target names (kolmari_fuzz_NAME), separated by commas
#   RUNS, SEED libFuzzer's -runs and -seed
#   SOURCE_DIR, BINARY_DIR, GENERATOR, CXX_COMPILER, C_COMPILER: the tree and how to make it
include(${CMAKE_CURRENT_LIST_DIR}/../ScriptSupport.cmake)
require_variables(TARGETS RUNS SEED SOURCE_DIR BINARY_DIR GENERATOR CXX_COMPILER C_COMPILER)
if(NOT CXX_COMPILER OR NOT C_COMPILER)
  message(FATAL_ERROR "clang was not found when the build was configured (scripts/setup installs it)")
endif()
string(REPLACE "," ";" TARGETS "${TARGETS}")

# Every object carries the fuzzer's coverage instrumentation and both sanitizers; the targets add
# libFuzzer's main when they link. An undefined-behaviour report stops the run like any other.
set(flags "-fsanitize=fuzzer-no-link,address,undefined -fno-sanitize-recover=all -fno-omit-frame-pointer")
set(link_flags "-fsanitize=address,undefined")
run_step("configuring the fuzz tree"
  ${CMAKE_COMMAND} -S ${SOURCE_DIR} -B ${BINARY_DIR} -G ${GENERATOR}
    -DCMAKE_BUILD_TYPE=RelWithDebInfo
    -DCMAKE_CXX_COMPILER=${CXX_COMPILER}
    -DCMAKE_C_COMPILER=${C_COMPILER}
    "-DCMAKE_CXX_FLAGS=${flags}"
    "-DCMAKE_C_FLAGS=${flags}"
    "-DCMAKE_EXE_LINKER_FLAGS=${link_flags}"
    "-DCMAKE_SHARED_LINKER_FLAGS=${link_flags}"
    "-DCMAKE_MODULE_LINKER_FLAGS=${link_flags}"
    -DKOLMARI_FUZZ=ON
    -DKOLMARI_BUILD_BENCH=OFF
    -DKOLMARI_BUILD_TOOLS=OFF)

set(programs "")
foreach(target IN LISTS TARGETS)
  list(APPEND programs kolmari_fuzz_${target})
endforeach()
run_step("building the fuzz targets" ${CMAKE_COMMAND} --build ${BINARY_DIR} --target ${programs} kolmari_fuzz_seeds)

# Fresh seeds and an empty corpus each time, so that every run starts from the same inputs.
set(run_dir ${BINARY_DIR}/fuzz-run)
file(REMOVE_RECURSE ${run_dir})
file(MAKE_DIRECTORY ${run_dir}/artifacts)
set(ENV{ASAN_OPTIONS} "halt_on_error=1 detect_leaks=1 strict_string_checks=1")
set(ENV{UBSAN_OPTIONS} "halt_on_error=1 print_stacktrace=1")
run_step("writing the seeds" ${BINARY_DIR}/tests/fuzz/kolmari_fuzz_seeds ${run_dir}/seeds)

foreach(target IN LISTS TARGETS)
  file(MAKE_DIRECTORY ${run_dir}/corpus/${target})
  # No time limit on single inputs (-timeout=0): the run count alone bounds the run.
  run_step("kolmari_fuzz_${target}"
    ${BINARY_DIR}/tests/fuzz/kolmari_fuzz_${target}
      -runs=${RUNS} -seed=${SEED} -max_len=4096 -timeout=0 -print_final_stats=1
      -artifact_prefix=${run_dir}/artifacts/${target}-
      ${run_dir}/corpus/${target} ${run_dir}/seeds/${target})
endforeach()
