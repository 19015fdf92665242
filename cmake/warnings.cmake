# SPDX-License-Identifier: BSD-2-Clause
# Warnings for everything we compile. -Wconversion is left out on purpose: the kernels narrow
# sums back to bytes in many places by design, and the parity and golden tests are what catch a
# wrong narrowing, not a cast at every store.
set(PF_WARNINGS -Wall -Wextra -Wshadow -Wundef -Wvla -Wcast-align -Wformat=2
    -Wno-format-nonliteral)
set(PF_CXX_WARNINGS -Wmissing-declarations -Wnon-virtual-dtor)
if(PF_WERROR)
  list(APPEND PF_WARNINGS -Werror)
endif()

function(pf_set_warnings target)
  target_compile_options(${target} PRIVATE ${PF_WARNINGS}
                         $<$<COMPILE_LANGUAGE:CXX>:${PF_CXX_WARNINGS}>)
endfunction()
