# Makes the packages of a build folder with cpack into WORK_DIR, unpacks each and loads every plug-in
# in it with the package's own kolmari-render (--list opens an instance and asks it for its
# parameters), run through EMULATOR (wine) for Windows packages; the LV2 bundle also as lilv hosts
# load it, through LV2APPLY (lilv's lv2apply, when given) on a demo signal. The Debian package must also
# hold each file where hosts and Debian look for it and depend on library versions.
#
#   CPACK, CONFIG (the build's CPackConfig.cmake), WORK_DIR, VERSION, LV2_BUNDLE (the build's
#   Kolmari.lv2), LV2APPLY and EMULATOR (these three may be empty)
cmake_minimum_required(VERSION 3.25)
file(REMOVE_RECURSE ${WORK_DIR})
file(MAKE_DIRECTORY ${WORK_DIR})
execute_process(COMMAND ${CPACK} --config ${CONFIG} -B ${WORK_DIR}/cpack -D CPACK_OUTPUT_FILE_PREFIX=${WORK_DIR}
                RESULT_VARIABLE result OUTPUT_VARIABLE out ERROR_VARIABLE err)
if(NOT result EQUAL 0)
  message(FATAL_ERROR "cpack failed: ${result}\n${out}\n${err}")
endif()
message(STATUS "${out}")

# plugin_loads(RENDER plugin folder): the plug-in loads in the package's own kolmari-render.
function(plugin_loads render plugin folder)
  execute_process(COMMAND ${EMULATOR} ${render} --plugin ${plugin} --list
                  WORKING_DIRECTORY ${folder} RESULT_VARIABLE result OUTPUT_VARIABLE out ERROR_VARIABLE err)
  if(NOT result EQUAL 0 OR NOT out MATCHES "Oversampling")
    message(FATAL_ERROR "${plugin} in ${folder} does not load: ${result}\n${out}\n${err}")
  endif()
  message(STATUS "${plugin}: loads, lists its parameters")
endfunction()

# lv2_complete(bundle): the packed bundle holds every file of the build's (the DSP and UI binaries,
# the Turtle, the presets).
function(lv2_complete bundle)
  if(NOT LV2_BUNDLE)
    return()
  endif()
  file(GLOB_RECURSE built LIST_DIRECTORIES false RELATIVE ${LV2_BUNDLE} ${LV2_BUNDLE}/*)
  if(NOT built)
    message(FATAL_ERROR "the build's ${LV2_BUNDLE} is empty")
  endif()
  foreach(file IN LISTS built)
    if(NOT EXISTS ${bundle}/${file})
      message(FATAL_ERROR "${bundle} lacks ${file}")
    endif()
  endforeach()
endfunction()

# lv2_loads(render bundle folder): the LV2 bundle loads in the package's own kolmari-render, once
# that renders through LV2 bundles (its --help names them).
function(lv2_loads render bundle folder)
  execute_process(COMMAND ${render} --help OUTPUT_VARIABLE help RESULT_VARIABLE result)
  if(result EQUAL 0 AND help MATCHES "\\.lv2")
    plugin_loads(${render} ${bundle} ${folder})
  endif()
endfunction()

# lv2_plays(render lv2_dir): both LV2 plug-ins of the bundle in lv2_dir render a demo signal in
# lv2apply, which finds them through LV2_PATH alone.
function(lv2_plays render lv2_dir)
  if(NOT LV2APPLY)
    return()
  endif()
  set(demo ${WORK_DIR}/demo.wav)
  if(NOT EXISTS ${demo})
    execute_process(COMMAND ${render} --make-demo ${demo} RESULT_VARIABLE result ERROR_VARIABLE err)
    if(NOT result EQUAL 0)
      message(FATAL_ERROR "kolmari-render --make-demo failed: ${err}")
    endif()
  endif()
  set(out ${WORK_DIR}/lv2.wav)
  file(REMOVE ${out})
  execute_process(COMMAND ${CMAKE_COMMAND} -E env LV2_PATH=${lv2_dir}
                    ${LV2APPLY} -i ${demo} -o ${out} https://lumenfold.com/plugins/kolmari
                  RESULT_VARIABLE result OUTPUT_VARIABLE text ERROR_VARIABLE err)
  file(SIZE ${demo} in_size)
  if(NOT result EQUAL 0 OR NOT EXISTS ${out})
    message(FATAL_ERROR "lv2apply cannot render through the LV2 bundle in ${lv2_dir}: ${result}\n${text}\n${err}")
  endif()
  file(SIZE ${out} out_size)
  if(out_size LESS 100000)
    message(FATAL_ERROR "lv2apply wrote only ${out_size} bytes through the LV2 bundle in ${lv2_dir}")
  endif()
  message(STATUS "Kolmari.lv2: lv2apply renders through it from ${lv2_dir}")
endfunction()

file(GLOB archives ${WORK_DIR}/kolmari-${VERSION}-*.tar.gz ${WORK_DIR}/kolmari-${VERSION}-*.zip)
if(NOT archives)
  message(FATAL_ERROR "cpack made no archive in ${WORK_DIR}")
endif()
foreach(archive IN LISTS archives)
  set(unpacked ${WORK_DIR}/unpacked)
  file(REMOVE_RECURSE ${unpacked})
  file(MAKE_DIRECTORY ${unpacked})
  file(ARCHIVE_EXTRACT INPUT ${archive} DESTINATION ${unpacked})
  file(GLOB folder LIST_DIRECTORIES true ${unpacked}/kolmari-*)
  list(LENGTH folder count)
  if(NOT count EQUAL 1 OR NOT IS_DIRECTORY "${folder}")
    message(FATAL_ERROR "${archive} does not hold one kolmari-* folder")
  endif()
  if(archive MATCHES "windows")
    set(render ${folder}/kolmari-render.exe)
    set(plugins Kolmari.dll Kolmari.clap Kolmari.vst3)
  else()
    set(render ${folder}/kolmari-render)
    set(plugins Kolmari.so Kolmari.clap Kolmari.vst3)
  endif()
  foreach(file ${render} ${folder}/INSTALL.txt)
    if(NOT EXISTS ${file})
      message(FATAL_ERROR "${archive} lacks ${file}")
    endif()
  endforeach()
  foreach(plugin IN LISTS plugins)
    plugin_loads(${render} ${plugin} ${folder})
  endforeach()
  if(NOT archive MATCHES "windows")
    foreach(file manifest.ttl kolmari.ttl Kolmari.so)
      if(NOT EXISTS ${folder}/Kolmari.lv2/${file})
        message(FATAL_ERROR "${archive} lacks Kolmari.lv2/${file}")
      endif()
    endforeach()
    lv2_complete(${folder}/Kolmari.lv2)
    lv2_loads(${render} Kolmari.lv2 ${folder})
    lv2_plays(${render} ${folder})
    # The VST3 factory presets beside the bundle, found by the package's own kolmari-render.
    execute_process(COMMAND ${render} --plugin Kolmari.vst3 --list-presets
                    WORKING_DIRECTORY ${folder} RESULT_VARIABLE result OUTPUT_VARIABLE out ERROR_VARIABLE err)
    if(NOT result EQUAL 0 OR NOT out MATCHES "^Utility: Default\n")
      message(FATAL_ERROR "${archive} carries no VST3 factory presets kolmari-render finds: ${result}\n${out}\n${err}")
    endif()
  endif()
endforeach()

# The Debian package, on Linux.
file(GLOB debs ${WORK_DIR}/kolmari_*.deb)
foreach(deb IN LISTS debs)
  set(root ${WORK_DIR}/deb-root)
  file(REMOVE_RECURSE ${root})
  execute_process(COMMAND dpkg-deb --extract ${deb} ${root} RESULT_VARIABLE result ERROR_VARIABLE err)
  if(NOT result EQUAL 0)
    message(FATAL_ERROR "dpkg-deb cannot unpack ${deb}: ${err}")
  endif()
  foreach(path usr/lib/vst/Kolmari.so usr/lib/clap/Kolmari.clap
               usr/lib/vst3/Kolmari.vst3/Contents/x86_64-linux/Kolmari.so
               usr/lib/lv2/Kolmari.lv2/manifest.ttl usr/lib/lv2/Kolmari.lv2/Kolmari.so usr/bin/kolmari-render
               usr/share/doc/kolmari/copyright usr/share/doc/kolmari/changelog.gz
               usr/share/man/man1/kolmari-render.1.gz
               "usr/share/vst3/presets/Lumenfold/Kolmari/Utility/Default.vstpreset")
    if(NOT EXISTS ${root}/${path})
      message(FATAL_ERROR "${deb} lacks /${path}")
    endif()
  endforeach()
  # Installation notes are for the archives; the .deb has installed everything already.
  file(GLOB notes ${root}/usr/share/doc/kolmari/INSTALL*)
  if(notes)
    message(FATAL_ERROR "${deb} carries installation notes: ${notes}")
  endif()
  # The changelog's latest entry is this version's (Debian reads the package's history from it).
  execute_process(COMMAND gzip -dc ${root}/usr/share/doc/kolmari/changelog.gz OUTPUT_VARIABLE changelog)
  if(NOT changelog MATCHES "^kolmari \\(${VERSION}\\) ")
    message(FATAL_ERROR "the changelog's latest entry is not for ${VERSION}: add one to cmake/package/changelog")
  endif()
  set(render ${root}/usr/bin/kolmari-render)
  foreach(plugin usr/lib/vst/Kolmari.so usr/lib/clap/Kolmari.clap usr/lib/vst3/Kolmari.vst3)
    plugin_loads(${render} ${root}/${plugin} ${root})
  endforeach()
  lv2_complete(${root}/usr/lib/lv2/Kolmari.lv2)
  lv2_loads(${render} ${root}/usr/lib/lv2/Kolmari.lv2 ${root})
  lv2_plays(${render} ${root}/usr/lib/lv2)

  # dpkg-shlibdeps' dependencies, with versions: libsndfile for kolmari-render, the C++ runtime.
  execute_process(COMMAND dpkg-deb --field ${deb} Depends OUTPUT_VARIABLE depends RESULT_VARIABLE result)
  if(NOT result EQUAL 0 OR NOT depends MATCHES "libsndfile1 \\(>= [0-9]" OR NOT depends MATCHES "libstdc\\+\\+6 \\(>= [0-9]")
    message(FATAL_ERROR "${deb} lacks versioned dependencies: ${depends}")
  endif()
  message(STATUS "${deb}: every file where hosts and Debian look; depends on ${depends}")
endforeach()
