# The hardening Debian builds its own packages with, for the Linux binaries: checked variants of the
# C library's string and memory functions where the compiler knows the sizes, a read-only relocation
# table, and every symbol bound when the binary loads. Binding at load also keeps the dynamic
# linker's lazy lookup (and its lock) out of the first process call on a host's audio thread.
# Sanitizer and fuzzing builds keep their own runtime's checks instead.
set(KOLMARI_FORTIFY "")
if(NOT WIN32 AND NOT KOLMARI_SANITIZE AND NOT KOLMARI_FUZZ)
  # The checked functions need an optimised build.
  set(KOLMARI_FORTIFY "$<$<NOT:$<CONFIG:Debug>>:_FORTIFY_SOURCE=2>")
  add_compile_definitions(${KOLMARI_FORTIFY})
  add_link_options(-Wl,-z,relro -Wl,-z,now)
endif()

# kolmari_without_fortify(): the checked functions left out of the calling folder and those below
# it, for programs that are never shipped (the tests), where the C library's checked declarations
# would turn every unchecked result of system() or write() into an error.
function(kolmari_without_fortify)
  if(KOLMARI_FORTIFY)
    get_property(definitions DIRECTORY PROPERTY COMPILE_DEFINITIONS)
    list(REMOVE_ITEM definitions "${KOLMARI_FORTIFY}")
    set_property(DIRECTORY PROPERTY COMPILE_DEFINITIONS "${definitions}")
  endif()
endfunction()
