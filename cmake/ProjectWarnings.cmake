# Warnings for the project's own targets only; third-party sources keep their own flags.
function(kolmari_warnings target)
  target_compile_options(${target} PRIVATE -Wall -Wextra -Werror -Wshadow -Wnon-virtual-dtor)
endfunction()

# The effect engine must follow its written arithmetic exactly: no contraction of a*b+c into a fused
# multiply-add and no value-changing optimisation of floating-point expressions.
function(kolmari_strict_float target)
  target_compile_options(${target} PRIVATE -ffp-contract=off -fno-fast-math)
endfunction()

# Position-independent code otherwise lets every call between the engine's own functions be
# replaced at load time, so the compiler may neither inline them nor call them directly. Nothing
# interposes on the engine; let the compiler assume so.
function(kolmari_direct_calls target)
  target_compile_options(${target} PRIVATE -fno-semantic-interposition)
endfunction()
