# SPDX-License-Identifier: BSD-2-Clause
if(PF_SANITIZE)
  string(REPLACE ";" "," _pf_sanitizers "${PF_SANITIZE}")
  add_compile_options(-fsanitize=${_pf_sanitizers} -fno-omit-frame-pointer
                      -fno-sanitize-recover=all)
  add_link_options(-fsanitize=${_pf_sanitizers})
endif()
