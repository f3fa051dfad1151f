# How test programs are registered, in the Linux build and in the Windows cross build.

# kolmari_add_gtests(target [PROPERTIES name value...]): the GoogleTest cases of a test program. The
# Linux build lists every case as a test of its own. The Windows build runs each program once
# under wine (starting wine costs a good part of a second), labelled windows, inside the wine
# session of the build folder.
function(kolmari_add_gtests target)
  cmake_parse_arguments(PARSE_ARGV 1 arg "" "" "PROPERTIES")
  if(WIN32)
    add_test(NAME ${target} COMMAND ${target} --gtest_brief=1)
    set_tests_properties(${target} PROPERTIES LABELS windows FIXTURES_REQUIRED wine TIMEOUT 900 ${arg_PROPERTIES})
  else()
    gtest_discover_tests(${target} DISCOVERY_MODE PRE_TEST PROPERTIES ${arg_PROPERTIES})
  endif()
endfunction()

# The wine session of a Windows build folder: its private prefix (made once, then reused) and its
# wine server and X display, started before the first test and stopped after the last.
if(WIN32 AND CMAKE_CROSSCOMPILING)
  set(session ${PROJECT_SOURCE_DIR}/tests/windows/wine-session)
  add_test(NAME wine_session_start COMMAND ${session} start ${KOLMARI_WINE_DIR})
  add_test(NAME wine_session_stop COMMAND ${session} stop ${KOLMARI_WINE_DIR})
  set_tests_properties(wine_session_start PROPERTIES FIXTURES_SETUP wine LABELS windows TIMEOUT 300)
  set_tests_properties(wine_session_stop PROPERTIES FIXTURES_CLEANUP wine LABELS windows TIMEOUT 60)
endif()

# kolmari_add_windows_build_test(): the Windows cross build from the Linux build. The target
# windows_build configures and builds it in its own folder (kept, so later builds are incremental);
# the test windows_build_and_tests, labelled windows, brings it up to date and runs its tests under
# wine, comparing its renders with this build's kolmari-render.
function(kolmari_add_windows_build_test)
  set(KOLMARI_WINDOWS_BUILD_DIR ${PROJECT_SOURCE_DIR}/build-windows CACHE PATH
      "The Windows cross build that the windows_build target makes and the windows test runs")
  set(reference "")
  if(TARGET kolmari-render)
    set(reference $<TARGET_FILE:kolmari-render>)
  endif()
  set(snapshot "")
  if(TARGET kolmari-snapshot)
    set(snapshot $<TARGET_FILE:kolmari-snapshot>)
  endif()
  set(script
    ${CMAKE_COMMAND}
      -DSOURCE_DIR=${PROJECT_SOURCE_DIR}
      -DBINARY_DIR=${KOLMARI_WINDOWS_BUILD_DIR}
      -DGENERATOR=${CMAKE_GENERATOR}
      -DREFERENCE_RENDER=${reference}
      -DREFERENCE_SNAPSHOT=${snapshot})
  add_custom_target(windows_build
    COMMAND ${script} -DSTEPS=build -P ${PROJECT_SOURCE_DIR}/tests/windows/RunWindowsTests.cmake
    USES_TERMINAL
    COMMENT "Building the Windows cross build in ${KOLMARI_WINDOWS_BUILD_DIR}")
  add_test(NAME windows_build_and_tests
    COMMAND ${script} -DSTEPS=build,test -P ${PROJECT_SOURCE_DIR}/tests/windows/RunWindowsTests.cmake)
  set_tests_properties(windows_build_and_tests PROPERTIES
    LABELS windows TIMEOUT 1800 RESOURCE_LOCK ${KOLMARI_WINDOWS_BUILD_DIR})
endfunction()
