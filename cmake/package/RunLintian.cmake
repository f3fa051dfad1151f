# Debian's package checker over DEB (made by the test release_package_loads): fails on any error or
# warning, and prints every tag it reports, informational and pedantic ones included, so a new one
# shows in the test's log.
#
#   LINTIAN, DEB
cmake_minimum_required(VERSION 3.25)
if(NOT EXISTS ${DEB})
  message(FATAL_ERROR "${DEB} does not exist (the test release_package_loads makes it)")
endif()
execute_process(COMMAND ${LINTIAN} --display-info --pedantic --tag-display-limit 0 ${DEB}
                RESULT_VARIABLE result OUTPUT_VARIABLE out ERROR_VARIABLE err)
message(STATUS "lintian ${DEB}:\n${out}${err}")
if(out MATCHES "(^|\n)[EW]: " OR NOT result EQUAL 0)
  message(FATAL_ERROR "lintian reports errors or warnings (exit status ${result})")
endif()
