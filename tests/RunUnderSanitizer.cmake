# Configures a tree with ThreadSanitizer, builds only the concurrency tests in it and runs them.
# Fails on a build error, a failing test or any report from the sanitizer.
foreach(var SOURCE_DIR BINARY_DIR GENERATOR CXX_COMPILER C_COMPILER)
  if(NOT DEFINED ${var})
    message(FATAL_ERROR "${var} is not set")
  endif()
endforeach()

function(run_step what)
  execute_process(COMMAND ${ARGN} RESULT_VARIABLE result)
  if(NOT result EQUAL 0)
    message(FATAL_ERROR "${what} failed (${result})")
  endif()
endfunction()

run_step("configuring the sanitised tree"
  ${CMAKE_COMMAND} -S ${SOURCE_DIR} -B ${BINARY_DIR} -G ${GENERATOR}
    -DCMAKE_BUILD_TYPE=RelWithDebInfo
    -DCMAKE_CXX_COMPILER=${CXX_COMPILER}
    -DCMAKE_C_COMPILER=${C_COMPILER}
    -DKOLMARI_SANITIZE=thread
    -DKOLMARI_BUILD_BENCH=OFF
    -DKOLMARI_BUILD_TOOLS=OFF)
run_step("building concurrency_tests" ${CMAKE_COMMAND} --build ${BINARY_DIR} --target concurrency_tests)
# halt_on_error turns the first report into a failure; second_deadlock_stack helps reading one.
set(ENV{TSAN_OPTIONS} "halt_on_error=1 second_deadlock_stack=1")
run_step("concurrency_tests under ThreadSanitizer" ${BINARY_DIR}/tests/concurrency_tests)
