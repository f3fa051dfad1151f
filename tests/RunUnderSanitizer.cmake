# Configures a tree built with a sanitizer, builds only the named targets in it and runs the named
# programs there. Fails on a build error, a failing program or any report from the sanitizer.
#
#   SANITIZER  thread or address (address includes the leak check at exit)
#   TARGETS    targets to build, separated by commas
#   PROGRAMS   programs to run, paths relative to the tree, separated by commas
#   SOURCE_DIR, BINARY_DIR, GENERATOR, CXX_COMPILER, C_COMPILER: the tree and how to make it
#
# Several tests may share one tree per sanitizer; they must not run at the same time (the caller
# gives them a common resource lock), and they configure it identically, so none undoes another.
include(${CMAKE_CURRENT_LIST_DIR}/ScriptSupport.cmake)
require_variables(SANITIZER TARGETS PROGRAMS SOURCE_DIR BINARY_DIR GENERATOR CXX_COMPILER C_COMPILER)
string(REPLACE "," ";" TARGETS "${TARGETS}")
string(REPLACE "," ";" PROGRAMS "${PROGRAMS}")

run_step("configuring the ${SANITIZER}-sanitised tree"
  ${CMAKE_COMMAND} -S ${SOURCE_DIR} -B ${BINARY_DIR} -G ${GENERATOR}
    -DCMAKE_BUILD_TYPE=RelWithDebInfo
    -DCMAKE_CXX_COMPILER=${CXX_COMPILER}
    -DCMAKE_C_COMPILER=${C_COMPILER}
    -DKOLMARI_SANITIZE=${SANITIZER}
    -DKOLMARI_BUILD_BENCH=OFF
    -DKOLMARI_BUILD_TOOLS=ON)
run_step("building ${TARGETS}" ${CMAKE_COMMAND} --build ${BINARY_DIR} --target ${TARGETS})

# halt_on_error turns the first report into a failure; second_deadlock_stack helps reading a
# thread report; the address sanitizer checks for leaks at exit.
set(ENV{TSAN_OPTIONS} "halt_on_error=1 second_deadlock_stack=1")
set(ENV{ASAN_OPTIONS} "halt_on_error=1 detect_leaks=1 strict_string_checks=1")
# The leak checker stops every thread at exit to scan memory, and on some machines it crashes itself
# while it walks llvmpipe's driver threads ("LeakSanitizer has encountered a fatal error"), having
# found nothing. Such a run says nothing about the program: it runs once more with the address
# checks alone. A leak, any other report, or a failure of the second run still fails.
foreach(program IN LISTS PROGRAMS)
  foreach(attempt 1 2)
    execute_process(COMMAND ${BINARY_DIR}/${program} RESULT_VARIABLE result OUTPUT_VARIABLE out ERROR_VARIABLE err)
    message("${out}${err}")
    if(result EQUAL 0)
      break()
    endif()
    if(attempt EQUAL 1 AND err MATCHES "LeakSanitizer has encountered a fatal error"
       AND NOT err MATCHES "ERROR: (Address|Leak|Thread|UndefinedBehavior)Sanitizer: [a-z]")
      message("${program}: the leak checker crashed at exit (no finding); running it once more without it")
      set(ENV{ASAN_OPTIONS} "halt_on_error=1 detect_leaks=0 strict_string_checks=1")
    else()
      message(FATAL_ERROR "${program} under the ${SANITIZER} sanitizer failed (${result})")
    endif()
  endforeach()
  set(ENV{ASAN_OPTIONS} "halt_on_error=1 detect_leaks=1 strict_string_checks=1")
endforeach()
