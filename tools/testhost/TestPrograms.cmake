# For the CMake files of test programs that load plug-in binaries through the test host.

# kolmari_test_binaries(target MACRO binary...): target is compiled with each MACRO defined as the
# path of the binary after it, in quotes, and each binary is built before target.
function(kolmari_test_binaries target)
  set(pairs ${ARGN})
  while(pairs)
    list(POP_FRONT pairs macro binary)
    target_compile_definitions(${target} PRIVATE "${macro}=\"$<TARGET_FILE:${binary}>\"")
    add_dependencies(${target} ${binary})
  endwhile()
endfunction()

# kolmari_discover_plugin_tests(target): the tests of a program that loads third-party plug-ins.
# Some of those leave memory behind when they are unloaded; under the address sanitizer that is
# their fault to report, not ours, so leak detection is off for these tests alone.
function(kolmari_discover_plugin_tests target)
  set(environment "")
  if(KOLMARI_SANITIZE STREQUAL "address")
    set(environment "ASAN_OPTIONS=detect_leaks=0")
  endif()
  gtest_discover_tests(${target} DISCOVERY_MODE PRE_TEST PROPERTIES ENVIRONMENT "${environment}")
endfunction()
