# The package tests. release_package_loads makes the packages of this build with cpack into a folder
# of its own, unpacks them and loads every plug-in in them as a user would after installing: each
# format through the package's own kolmari-render (in the Windows build under wine), the LV2 bundle
# through lilv's lv2apply; it also checks that the Debian package puts every file where hosts and
# Debian look. package_lintian runs Debian's own checker over that .deb.
set(work ${CMAKE_BINARY_DIR}/release-test)
find_program(KOLMARI_LV2APPLY lv2apply)
set(lv2apply "")
if(KOLMARI_LV2APPLY AND TARGET KolmariLV2)
  set(lv2apply ${KOLMARI_LV2APPLY})
endif()
add_test(NAME release_package_loads
  COMMAND ${CMAKE_COMMAND}
    -DCPACK=${CMAKE_CPACK_COMMAND}
    -DCONFIG=${CMAKE_BINARY_DIR}/CPackConfig.cmake
    -DWORK_DIR=${work}
    -DVERSION=${PROJECT_VERSION}
    -DLV2APPLY=${lv2apply}
    -DLV2_BUNDLE=${KOLMARI_LV2_BUNDLE}
    "-DEMULATOR=${CMAKE_CROSSCOMPILING_EMULATOR}"
    -P ${CMAKE_CURRENT_LIST_DIR}/CheckPackages.cmake)
set_tests_properties(release_package_loads PROPERTIES
  TIMEOUT 600 RESOURCE_LOCK ${work} FIXTURES_SETUP kolmari_packages)
if(WIN32)
  set_tests_properties(release_package_loads PROPERTIES LABELS windows FIXTURES_REQUIRED wine)
else()
  find_program(KOLMARI_LINTIAN lintian)
  if(KOLMARI_LINTIAN)
    add_test(NAME package_lintian
      COMMAND ${CMAKE_COMMAND} -DLINTIAN=${KOLMARI_LINTIAN}
        -DDEB=${work}/kolmari_${PROJECT_VERSION}_amd64.deb -P ${CMAKE_CURRENT_LIST_DIR}/RunLintian.cmake)
    set_tests_properties(package_lintian PROPERTIES
      TIMEOUT 600 RESOURCE_LOCK ${work} FIXTURES_REQUIRED kolmari_packages)
  endif()
endif()
