# The hardening Debian builds its own packages with, for the Linux binaries: checked variants of the
# C library's string and memory functions where the compiler knows the sizes, a read-only relocation
# table, and every symbol bound when the binary loads. Binding at load also keeps the dynamic
# linker's lazy lookup (and its lock) out of the first process call on a host's audio thread.
# Sanitizer and fuzzing builds keep their own runtime's checks instead.
if(NOT WIN32 AND NOT KOLMARI_SANITIZE AND NOT KOLMARI_FUZZ)
  # The checked functions need an optimised build.
  add_compile_definitions($<$<NOT:$<CONFIG:Debug>>:_FORTIFY_SOURCE=2>)
  add_link_options(-Wl,-z,relro -Wl,-z,now)
endif()
