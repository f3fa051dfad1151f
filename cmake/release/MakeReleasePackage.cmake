# Makes the release package of one platform: the VST 2.4 binary, the CLAP binary, the VST3 bundle,
# kolmari-render and the INSTALL text, in a folder kolmari-VERSION-PLATFORM packed as
# kolmari-VERSION-PLATFORM.tar.gz (Linux) or .zip (Windows). Binaries are stripped of their
# debugging information when STRIP names a strip program.
#
#   OUTPUT_DIR, VERSION, PLATFORM (linux-x86_64 or windows-x64), VST2, CLAP, VST3_BUNDLE, RENDER,
#   INSTALL_TEXT (the template), STRIP (may be empty)
cmake_minimum_required(VERSION 3.25)
foreach(var OUTPUT_DIR VERSION PLATFORM VST2 CLAP VST3_BUNDLE RENDER INSTALL_TEXT)
  if(NOT DEFINED ${var} OR "${${var}}" STREQUAL "")
    message(FATAL_ERROR "MakeReleasePackage: ${var} is not set")
  endif()
endforeach()
foreach(file VST2 CLAP RENDER INSTALL_TEXT)
  if(NOT EXISTS "${${file}}")
    message(FATAL_ERROR "MakeReleasePackage: ${${file}} does not exist (build it first)")
  endif()
endforeach()
if(NOT IS_DIRECTORY "${VST3_BUNDLE}")
  message(FATAL_ERROR "MakeReleasePackage: the VST3 bundle ${VST3_BUNDLE} does not exist (build it first)")
endif()

set(name kolmari-${VERSION}-${PLATFORM})
set(stage ${OUTPUT_DIR}/${name})
file(REMOVE_RECURSE ${stage})
file(MAKE_DIRECTORY ${stage})
file(COPY ${VST2} ${CLAP} ${RENDER} ${VST3_BUNDLE} DESTINATION ${stage})
# The VST3 factory presets (VST3_PRESETS, when the build wrote them): beside the bundle, where
# kolmari-render finds them and from where a user copies them into ~/.vst3/presets/Lumenfold/Kolmari.
if(VST3_PRESETS AND IS_DIRECTORY "${VST3_PRESETS}")
  file(COPY ${VST3_PRESETS}/ DESTINATION ${stage}/vst3-presets PATTERN ".written" EXCLUDE)
endif()
configure_file(${INSTALL_TEXT} ${stage}/INSTALL.txt @ONLY)

if(STRIP)
  file(GLOB_RECURSE binaries ${stage}/*.so ${stage}/*.clap ${stage}/*.dll ${stage}/*.vst3 ${stage}/*.exe)
  get_filename_component(render_name ${RENDER} NAME)
  list(APPEND binaries ${stage}/${render_name})
  list(REMOVE_DUPLICATES binaries)
  foreach(binary IN LISTS binaries)
    if(NOT IS_DIRECTORY ${binary})
      execute_process(COMMAND ${STRIP} --strip-debug ${binary} RESULT_VARIABLE result)
      if(NOT result EQUAL 0)
        message(FATAL_ERROR "MakeReleasePackage: ${STRIP} failed on ${binary}")
      endif()
    endif()
  endforeach()
endif()

if(PLATFORM MATCHES "^windows")
  set(archive ${OUTPUT_DIR}/${name}.zip)
  set(format --format=zip)
  set(mode cf)
else()
  set(archive ${OUTPUT_DIR}/${name}.tar.gz)
  set(format "")
  set(mode czf)
endif()
file(REMOVE ${archive})
execute_process(COMMAND ${CMAKE_COMMAND} -E tar ${mode} ${archive} ${format} -- ${name}
                WORKING_DIRECTORY ${OUTPUT_DIR} RESULT_VARIABLE result)
if(NOT result EQUAL 0)
  message(FATAL_ERROR "MakeReleasePackage: packing ${archive} failed")
endif()
message(STATUS "wrote ${archive}")

# On Linux also a Debian package, when dpkg-deb is there: the plug-ins where every user's hosts look
# (/usr/lib/vst, /usr/lib/vst3, /usr/lib/clap) and kolmari-render in /usr/bin.
find_program(DPKG_DEB dpkg-deb)
if(NOT PLATFORM MATCHES "^windows" AND DPKG_DEB)
  set(root ${OUTPUT_DIR}/deb-root)
  file(REMOVE_RECURSE ${root})
  file(MAKE_DIRECTORY ${root}/DEBIAN ${root}/usr/lib/vst ${root}/usr/lib/vst3 ${root}/usr/lib/clap ${root}/usr/bin
       ${root}/usr/share/doc/kolmari)
  get_filename_component(vst2_name ${VST2} NAME)
  get_filename_component(clap_name ${CLAP} NAME)
  get_filename_component(bundle_name ${VST3_BUNDLE} NAME)
  get_filename_component(render_name ${RENDER} NAME)
  file(COPY ${stage}/${vst2_name} DESTINATION ${root}/usr/lib/vst)
  file(COPY ${stage}/${clap_name} DESTINATION ${root}/usr/lib/clap)
  file(COPY ${stage}/${bundle_name} DESTINATION ${root}/usr/lib/vst3)
  file(COPY ${stage}/${render_name} DESTINATION ${root}/usr/bin)
  if(IS_DIRECTORY ${stage}/vst3-presets)
    file(MAKE_DIRECTORY ${root}/usr/share/vst3/presets/Lumenfold)
    file(COPY ${stage}/vst3-presets/ DESTINATION ${root}/usr/share/vst3/presets/Lumenfold/Kolmari)
  endif()
  file(COPY ${stage}/INSTALL.txt DESTINATION ${root}/usr/share/doc/kolmari)
  file(WRITE ${root}/DEBIAN/control
"Package: kolmari
Version: ${VERSION}
Architecture: amd64
Maintainer: Lumenfold <kolmari@lumenfold.invalid>
Depends: libc6, libstdc++6, libgcc-s1, libx11-6, libglx0, libsndfile1
Section: sound
Priority: optional
Description: Kolmari drive-and-shape audio effect (VST 2.4, VST3 and CLAP)
 A drive-and-shape effect with a tanh-based shaper, slew and slope limiting and
 optional oversampling, as plug-ins for Linux hosts, and kolmari-render, which
 runs audio files through it.
")
  set(deb ${OUTPUT_DIR}/kolmari_${VERSION}_amd64.deb)
  execute_process(COMMAND ${DPKG_DEB} --root-owner-group --build ${root} ${deb}
                  RESULT_VARIABLE result OUTPUT_QUIET)
  if(NOT result EQUAL 0)
    message(FATAL_ERROR "MakeReleasePackage: dpkg-deb failed")
  endif()
  file(REMOVE_RECURSE ${root})
  message(STATUS "wrote ${deb}")
endif()
file(REMOVE_RECURSE ${stage})
