# Run by the package install rules (cmake/package/Packaging.cmake) after they have copied everything:
# strips the symbol tables and debugging information from every binary at KOLMARI_STRIP_PATHS
# (relative to the install prefix; a folder is searched through), with KOLMARI_STRIP. Other files,
# such as a bundle's Turtle, are told apart by their first bytes and left alone.
set(root "$ENV{DESTDIR}${CMAKE_INSTALL_PREFIX}")
foreach(path IN LISTS KOLMARI_STRIP_PATHS)
  if(IS_DIRECTORY "${root}/${path}")
    file(GLOB_RECURSE files LIST_DIRECTORIES false "${root}/${path}/*")
  elseif(EXISTS "${root}/${path}")
    set(files "${root}/${path}")
  else()
    message(FATAL_ERROR "nothing to strip at ${root}/${path}")
  endif()
  foreach(file IN LISTS files)
    file(READ "${file}" magic LIMIT 4 HEX)
    # ELF (7f 'E' 'L' 'F') binaries lose the compiler's notes as well, as Debian's own packages do;
    # PE ('M' 'Z') binaries have none.
    if(magic STREQUAL "7f454c46")
      set(options --strip-all --remove-section=.comment --remove-section=.note)
    elseif(magic MATCHES "^4d5a")
      set(options --strip-all)
    else()
      continue()
    endif()
    execute_process(COMMAND "${KOLMARI_STRIP}" ${options} "${file}" RESULT_VARIABLE result ERROR_VARIABLE error)
    if(NOT result EQUAL 0)
      message(FATAL_ERROR "${KOLMARI_STRIP} failed on ${file}: ${error}")
    endif()
  endforeach()
endforeach()
