# Unpacks a release package into a folder of its own and loads every plug-in in it with the
# package's own kolmari-render (--list opens an instance and asks it for its parameters), as a user
# would after unpacking; fails when anything is missing or does not load. Windows packages run their
# kolmari-render.exe through EMULATOR (wine).
#
#   ARCHIVE, WORK_DIR, EMULATOR (may be empty)
cmake_minimum_required(VERSION 3.25)
file(REMOVE_RECURSE ${WORK_DIR})
file(MAKE_DIRECTORY ${WORK_DIR})
execute_process(COMMAND ${CMAKE_COMMAND} -E tar xf ${ARCHIVE} WORKING_DIRECTORY ${WORK_DIR} RESULT_VARIABLE result)
if(NOT result EQUAL 0)
  message(FATAL_ERROR "cannot unpack ${ARCHIVE}")
endif()
file(GLOB folder LIST_DIRECTORIES true ${WORK_DIR}/kolmari-*)
if(NOT IS_DIRECTORY "${folder}")
  message(FATAL_ERROR "${ARCHIVE} holds no kolmari-* folder")
endif()
if(ARCHIVE MATCHES "windows")
  set(render ${folder}/kolmari-render.exe)
  set(plugins Kolmari.dll Kolmari.clap Kolmari.vst3)
else()
  set(render ${folder}/kolmari-render)
  set(plugins Kolmari.so Kolmari.clap Kolmari.vst3)
endif()
foreach(file ${render} ${folder}/INSTALL.txt)
  if(NOT EXISTS ${file})
    message(FATAL_ERROR "${ARCHIVE} lacks ${file}")
  endif()
endforeach()
foreach(plugin IN LISTS plugins)
  execute_process(COMMAND ${EMULATOR} ${render} --plugin ${plugin} --list
                  WORKING_DIRECTORY ${folder} RESULT_VARIABLE result OUTPUT_VARIABLE out ERROR_VARIABLE err)
  if(NOT result EQUAL 0 OR NOT out MATCHES "Oversampling")
    message(FATAL_ERROR "${plugin} from ${ARCHIVE} does not load: ${result}\n${out}\n${err}")
  endif()
  message(STATUS "${plugin}: loads, lists its parameters")
endforeach()

# The VST3 factory presets beside the bundle, found by the package's own kolmari-render.
if(NOT ARCHIVE MATCHES "windows")
  execute_process(COMMAND ${render} --plugin Kolmari.vst3 --list-presets
                  WORKING_DIRECTORY ${folder} RESULT_VARIABLE result OUTPUT_VARIABLE out ERROR_VARIABLE err)
  if(NOT result EQUAL 0 OR NOT out MATCHES "^Utility: Default\n")
    message(FATAL_ERROR "${ARCHIVE} carries no VST3 factory presets kolmari-render finds: ${result}\n${out}\n${err}")
  endif()
  message(STATUS "Kolmari.vst3: its factory presets are beside it")
endif()

# The Debian package beside it, when one was made: it holds every plug-in where hosts look.
file(GLOB debs ${WORK_DIR}/../kolmari_*_amd64.deb)
foreach(deb IN LISTS debs)
  execute_process(COMMAND dpkg-deb --contents ${deb} OUTPUT_VARIABLE listing RESULT_VARIABLE result)
  foreach(path usr/lib/vst/Kolmari.so usr/lib/clap/Kolmari.clap
               usr/lib/vst3/Kolmari.vst3/Contents/x86_64-linux/Kolmari.so usr/bin/kolmari-render
               "usr/share/vst3/presets/Lumenfold/Kolmari/Utility/Default.vstpreset")
    if(NOT result EQUAL 0 OR NOT listing MATCHES "\\./${path}")
      message(FATAL_ERROR "${deb} lacks /${path}")
    endif()
  endforeach()
  message(STATUS "${deb}: every plug-in where hosts look")
endforeach()
