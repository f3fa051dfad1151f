# Warnings for the project's own targets only; third-party sources keep their own flags.
function(kolmari_warnings target)
  target_compile_options(${target} PRIVATE -Wall -Wextra -Werror -Wshadow -Wnon-virtual-dtor)
endfunction()

# The effect engine must follow its written arithmetic exactly: no contraction of a*b+c into a fused
# multiply-add and no value-changing optimisation of floating-point expressions.
function(kolmari_strict_float target)
  target_compile_options(${target} PRIVATE -ffp-contract=off -fno-fast-math)
endfunction()
