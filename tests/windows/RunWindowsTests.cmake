# Configures and builds the Windows cross build (kept between runs, so the build is incremental)
# and, when asked, runs its tests under wine. Fails on a build error or a failing test.
#
#   SOURCE_DIR, BINARY_DIR, GENERATOR: the tree and how to make it
#   REFERENCE_RENDER: the Linux kolmari-render that the Windows renders are compared with (or empty)
#   REFERENCE_SNAPSHOT: the Linux kolmari-snapshot that the Windows editor is compared with (or empty)
#   STEPS: "build" or "build,test"
cmake_minimum_required(VERSION 3.25)
include(${CMAKE_CURRENT_LIST_DIR}/../ScriptSupport.cmake)
require_variables(SOURCE_DIR BINARY_DIR GENERATOR REFERENCE_RENDER STEPS)
if(NOT DEFINED REFERENCE_SNAPSHOT)
  set(REFERENCE_SNAPSHOT "")
endif()
string(REPLACE "," ";" STEPS "${STEPS}")

run_step("configuring the Windows build"
  ${CMAKE_COMMAND} -S ${SOURCE_DIR} -B ${BINARY_DIR} -G ${GENERATOR}
    --toolchain ${SOURCE_DIR}/cmake/MinGW-w64.cmake
    -DCMAKE_BUILD_TYPE=Release
    -DKOLMARI_REFERENCE_RENDER=${REFERENCE_RENDER}
    -DKOLMARI_REFERENCE_SNAPSHOT=${REFERENCE_SNAPSHOT})
run_step("building the Windows build" ${CMAKE_COMMAND} --build ${BINARY_DIR})
if("test" IN_LIST STEPS)
  run_step("the Windows tests under wine"
    ${CMAKE_CTEST_COMMAND} --test-dir ${BINARY_DIR} --output-on-failure --parallel 2)
endif()
