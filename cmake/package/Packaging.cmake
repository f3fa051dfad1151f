# The release packages, made by CPack from install rules of their own:
#   Linux:   kolmari-VERSION-linux-x86_64.tar.gz (a folder with every format, kolmari-render and an
#            INSTALL text) and kolmari_VERSION_amd64.deb (every format where all users' hosts look,
#            kolmari-render in /usr/bin with its manual page, the copyright file and the changelog);
#   Windows: kolmari-VERSION-windows-x64.zip (the same folder as the tarball, without LV2).
# `cmake --build build --target release_package` builds what they hold and writes them into
# build/release/ (`cpack` in the build folder, or the target `package`, does the same after a full
# build).
#
# The package rules belong to the components "archive" and "deb" and are left out of a plain
# `cmake --install`, which installs for the user who builds (~/.vst, ~/.vst3, ~/.clap, ~/.lv2); CPack
# installs the one component its generator packs (CPackProjectConfig.cmake.in).
set(KOLMARI_PACKAGE_DIR ${CMAKE_CURRENT_LIST_DIR})
set(KOLMARI_PACKAGE_BUILD_DIR ${CMAKE_BINARY_DIR}/package)

# What goes into every package, by destination folder. The bundles go as whole folders, so whatever
# else the build puts into them goes along.
#   kolmari_package_contents(COMPONENT c VST2 dir CLAP dir VST3 dir LV2 dir RENDER dir VST3_PRESETS dir)
function(kolmari_package_contents)
  cmake_parse_arguments(PARSE_ARGV 0 arg "" "COMPONENT;VST2;CLAP;VST3;LV2;RENDER;VST3_PRESETS" "")
  set(rule COMPONENT ${arg_COMPONENT} EXCLUDE_FROM_ALL)
  set(read_only OWNER_READ OWNER_WRITE GROUP_READ WORLD_READ)
  set(folders OWNER_READ OWNER_WRITE OWNER_EXECUTE GROUP_READ GROUP_EXECUTE WORLD_READ WORLD_EXECUTE)
  # Plug-ins are loaded, never run: no execute bits, as Debian has it for libraries.
  install(FILES $<TARGET_FILE:Kolmari> DESTINATION ${arg_VST2} PERMISSIONS ${read_only} ${rule})
  install(FILES $<TARGET_FILE:Kolmari.clap> DESTINATION ${arg_CLAP} PERMISSIONS ${read_only} ${rule})
  install(DIRECTORY ${KOLMARI_VST3_BUNDLE} DESTINATION ${arg_VST3}
          FILE_PERMISSIONS ${read_only} DIRECTORY_PERMISSIONS ${folders} ${rule})
  set(stripped ${arg_VST2}/$<TARGET_FILE_NAME:Kolmari> ${arg_CLAP}/$<TARGET_FILE_NAME:Kolmari.clap>
               ${arg_VST3}/Kolmari.vst3 ${arg_RENDER}/$<TARGET_FILE_NAME:kolmari-render>)
  if(arg_LV2 AND KOLMARI_LV2_BUNDLE)
    install(DIRECTORY ${KOLMARI_LV2_BUNDLE} DESTINATION ${arg_LV2}
            FILE_PERMISSIONS ${read_only} DIRECTORY_PERMISSIONS ${folders} ${rule})
    list(APPEND stripped ${arg_LV2}/Kolmari.lv2)
  endif()
  # The VST3 factory presets, a folder per category (a cross build writes none).
  if(arg_VST3_PRESETS AND KOLMARI_VST3_PRESETS)
    install(DIRECTORY ${KOLMARI_VST3_PRESETS}/ DESTINATION ${arg_VST3_PRESETS}
            FILE_PERMISSIONS ${read_only} DIRECTORY_PERMISSIONS ${folders} ${rule} PATTERN ".written" EXCLUDE)
  endif()
  install(PROGRAMS $<TARGET_FILE:kolmari-render> DESTINATION ${arg_RENDER} ${rule})
  # Last, after everything above is in place: the packages carry no symbol tables or debugging
  # information (the build tree keeps them for debuggers).
  if(CMAKE_STRIP)
    install(CODE "set(KOLMARI_STRIP \"${CMAKE_STRIP}\")
set(KOLMARI_STRIP_PATHS \"${stripped}\")
include(\"${KOLMARI_PACKAGE_DIR}/StripBinaries.cmake\")" ${rule})
  endif()
endfunction()

if(WIN32)
  set(platform windows-x64)
  set(install_text ${KOLMARI_PACKAGE_DIR}/INSTALL-windows.txt)
else()
  set(platform linux-x86_64)
  set(install_text ${KOLMARI_PACKAGE_DIR}/INSTALL-linux.txt)
endif()

# The tarball and the zip: one folder, each format at its top, and the INSTALL text saying where
# each goes.
kolmari_package_contents(COMPONENT archive VST2 . CLAP . VST3 . LV2 . RENDER . VST3_PRESETS vst3-presets)
configure_file(${install_text} ${KOLMARI_PACKAGE_BUILD_DIR}/INSTALL.txt @ONLY)
install(FILES ${KOLMARI_PACKAGE_BUILD_DIR}/INSTALL.txt DESTINATION . COMPONENT archive EXCLUDE_FROM_ALL)
set(package_targets Kolmari Kolmari.clap KolmariVST3 kolmari-render)
if(TARGET KolmariLV2)
  list(APPEND package_targets KolmariLV2)
endif()
if(TARGET KolmariVST3Presets)
  list(APPEND package_targets KolmariVST3Presets)
endif()

# The Debian package: the system's plug-in folders under /usr/lib, kolmari-render in /usr/bin, and
# in /usr/share what Debian asks of every package: the copyright file, the changelog (gzipped,
# without a time stamp in the gzip header), the manual page, written by help2man from the tool's
# own --help and --version so it cannot disagree with them.
if(NOT WIN32)
  kolmari_package_contents(COMPONENT deb VST2 lib/vst CLAP lib/clap VST3 lib/vst3 LV2 lib/lv2 RENDER bin
    VST3_PRESETS share/vst3/presets/Lumenfold/Kolmari)
  set(deb_rule COMPONENT deb EXCLUDE_FROM_ALL)
  set(doc share/doc/kolmari)
  install(FILES ${KOLMARI_PACKAGE_DIR}/copyright DESTINATION ${doc} ${deb_rule})
  # What Debian's package checker reports that is not so, each with the reason.
  install(FILES ${KOLMARI_PACKAGE_DIR}/lintian-overrides DESTINATION share/lintian/overrides
          RENAME kolmari ${deb_rule})

  find_program(KOLMARI_GZIP gzip REQUIRED)
  set(changelog ${KOLMARI_PACKAGE_BUILD_DIR}/changelog.gz)
  add_custom_command(OUTPUT ${changelog}
    COMMAND ${CMAKE_COMMAND} -E copy ${KOLMARI_PACKAGE_DIR}/changelog ${KOLMARI_PACKAGE_BUILD_DIR}/changelog
    COMMAND ${KOLMARI_GZIP} -9nf ${KOLMARI_PACKAGE_BUILD_DIR}/changelog
    DEPENDS ${KOLMARI_PACKAGE_DIR}/changelog
    COMMENT "Compressing the package's changelog"
    VERBATIM)
  set(package_files ${changelog})
  install(FILES ${changelog} DESTINATION ${doc} ${deb_rule})

  find_program(KOLMARI_HELP2MAN help2man)
  if(KOLMARI_HELP2MAN)
    set(manual ${KOLMARI_PACKAGE_BUILD_DIR}/kolmari-render.1)
    # help2man names the page after the program it runs, so the stand-in has the tool's name.
    set(wrapper ${KOLMARI_PACKAGE_BUILD_DIR}/help2man/kolmari-render)
    set(KOLMARI_RENDER $<TARGET_FILE:kolmari-render>)
    configure_file(${KOLMARI_PACKAGE_DIR}/help2man-wrapper.sh.in ${wrapper}.in @ONLY)
    file(GENERATE OUTPUT ${wrapper} INPUT ${wrapper}.in
         FILE_PERMISSIONS OWNER_READ OWNER_WRITE OWNER_EXECUTE GROUP_READ GROUP_EXECUTE WORLD_READ WORLD_EXECUTE)
    add_custom_command(OUTPUT ${manual}.gz
      COMMAND ${KOLMARI_HELP2MAN} --no-info --section=1 --source=Lumenfold
              "--name=run audio files through the Kolmari effect or another plug-in"
              --output=${manual} ${wrapper}
      COMMAND ${KOLMARI_GZIP} -9nf ${manual}
      DEPENDS kolmari-render ${wrapper}
      COMMENT "Writing the manual page of kolmari-render"
      VERBATIM)
    list(APPEND package_files ${manual}.gz)
    install(FILES ${manual}.gz DESTINATION share/man/man1 ${deb_rule})
  else()
    message(WARNING "help2man not found (scripts/setup installs it): the Debian package will lack kolmari-render's manual page")
  endif()
  add_custom_target(kolmari_package_files ALL DEPENDS ${package_files})
  list(APPEND package_targets kolmari_package_files)
endif()

set(CPACK_PACKAGE_NAME kolmari)
set(CPACK_PACKAGE_VENDOR Lumenfold)
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_FILE_NAME kolmari-${PROJECT_VERSION}-${platform})
set(CPACK_PACKAGE_CONTACT "Lumenfold <kolmari@lumenfold.invalid>")
set(CPACK_PACKAGE_HOMEPAGE_URL https://lumenfold.com/plugins/kolmari)
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "drive-and-shape audio effect plug-in (LV2, VST3, CLAP, VST 2.4)")
set(CPACK_PACKAGE_DESCRIPTION
"Kolmari drives the input into a tanh-based shaper, limits its slew and
slope, shapes it a second time, optionally at 2, 4 or 8 times the sample
rate, and blends the result with the dry signal. Nine controls; mono or
stereo; no latency.
.
This package holds the effect as LV2, VST3, CLAP and VST 2.4 plug-ins in
the system's plug-in folders, where hosts such as Ardour, Audacity,
Qtractor, Bitwig or Reaper find it, and kolmari-render, which runs audio
files through it from the command line.")
set(CPACK_OUTPUT_FILE_PREFIX ${CMAKE_BINARY_DIR}/release)
set(CPACK_PACKAGE_DIRECTORY ${CMAKE_BINARY_DIR}/package)
set(CPACK_INSTALL_DEFAULT_DIRECTORY_PERMISSIONS
    OWNER_READ OWNER_WRITE OWNER_EXECUTE GROUP_READ GROUP_EXECUTE WORLD_READ WORLD_EXECUTE)
set(CPACK_ARCHIVE_THREADS 1)
if(WIN32)
  set(CPACK_GENERATOR ZIP)
else()
  set(CPACK_GENERATOR TGZ DEB)
endif()

set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION sound)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
# Versioned dependencies from the libraries the binaries really link (dpkg-shlibdeps).
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_DEBIAN_PACKAGE_CONTROL_STRICT_PERMISSION ON)
if(NOT WIN32)
  set(CPACK_POST_BUILD_SCRIPTS ${KOLMARI_PACKAGE_DIR}/DropLdconfigScripts.cmake)
endif()

set(KOLMARI_CPACK_PROJECT_CONFIG ${CMAKE_BINARY_DIR}/CPackProjectConfig.cmake)
configure_file(${KOLMARI_PACKAGE_DIR}/CPackProjectConfig.cmake.in ${KOLMARI_CPACK_PROJECT_CONFIG} @ONLY)
set(CPACK_PROJECT_CONFIG_FILE ${KOLMARI_CPACK_PROJECT_CONFIG})
include(CPack)

# Builds only what the packages hold, then packs (the target package builds everything first).
add_custom_target(release_package
  COMMAND ${CMAKE_CPACK_COMMAND} --config ${CMAKE_BINARY_DIR}/CPackConfig.cmake
  DEPENDS ${package_targets}
  WORKING_DIRECTORY ${CMAKE_BINARY_DIR}
  COMMENT "Making the release packages in ${CMAKE_BINARY_DIR}/release"
  VERBATIM)

if(KOLMARI_BUILD_TESTS)
  include(${KOLMARI_PACKAGE_DIR}/PackageTests.cmake)
endif()
