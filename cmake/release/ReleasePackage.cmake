# The release package of this build's platform: kolmari-VERSION-linux-x86_64.tar.gz, or
# kolmari-VERSION-windows-x64.zip in the Windows build, with the three plug-in formats,
# kolmari-render and an INSTALL text (cmake/release/MakeReleasePackage.cmake). The target
# release_package writes it into the build folder's release/; the test release_package_loads makes one
# of its own, unpacks it and loads every plug-in in it with the package's own kolmari-render.
if(WIN32)
  set(platform windows-x64)
  set(install_text ${CMAKE_CURRENT_LIST_DIR}/INSTALL-windows.txt)
else()
  set(platform linux-x86_64)
  set(install_text ${CMAKE_CURRENT_LIST_DIR}/INSTALL-linux.txt)
endif()
set(strip "")
if(CMAKE_STRIP)
  set(strip ${CMAKE_STRIP})
endif()
set(make_package
  ${CMAKE_COMMAND}
    -DVERSION=${PROJECT_VERSION}
    -DPLATFORM=${platform}
    -DVST2=$<TARGET_FILE:Kolmari>
    -DCLAP=$<TARGET_FILE:Kolmari.clap>
    -DVST3_BUNDLE=${KOLMARI_VST3_BUNDLE}
    -DVST3_PRESETS=${KOLMARI_VST3_PRESETS}
    -DRENDER=$<TARGET_FILE:kolmari-render>
    -DINSTALL_TEXT=${install_text}
    -DSTRIP=${strip})
add_custom_target(release_package
  COMMAND ${make_package} -DOUTPUT_DIR=${CMAKE_BINARY_DIR}/release -P ${CMAKE_CURRENT_LIST_DIR}/MakeReleasePackage.cmake
  DEPENDS Kolmari Kolmari.clap KolmariVST3 kolmari-render
  COMMENT "Making the release package in ${CMAKE_BINARY_DIR}/release"
  VERBATIM)

if(KOLMARI_BUILD_TESTS)
  set(work ${CMAKE_BINARY_DIR}/release-test)
  if(WIN32)
    set(archive ${work}/kolmari-${PROJECT_VERSION}-${platform}.zip)
  else()
    set(archive ${work}/kolmari-${PROJECT_VERSION}-${platform}.tar.gz)
  endif()
  add_test(NAME release_package_loads
    COMMAND ${make_package} -DOUTPUT_DIR=${work} -DARCHIVE=${archive} -DWORK_DIR=${work}/unpacked
      "-DEMULATOR=${CMAKE_CROSSCOMPILING_EMULATOR}" -P ${CMAKE_CURRENT_LIST_DIR}/TestReleasePackage.cmake)
  set_tests_properties(release_package_loads PROPERTIES TIMEOUT 300 RESOURCE_LOCK ${work})
  if(WIN32)
    set_tests_properties(release_package_loads PROPERTIES LABELS windows FIXTURES_REQUIRED wine)
  endif()
endif()
