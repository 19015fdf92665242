# SPDX-License-Identifier: BSD-2-Clause
if(PF_SANITIZE)
  string(REPLACE ";" "," _pf_sanitizers "${PF_SANITIZE}")
  add_compile_options(-fsanitize=${_pf_sanitizers} -fno-omit-frame-pointer
                      -fno-sanitize-recover=all)
  add_link_options(-fsanitize=${_pf_sanitizers})
  # The instrumentation makes GCC's flow analysis report uninitialised reads that do not exist
  # (inside std::function and std::regex, for example); the optimised build keeps the warning.
  if(CMAKE_CXX_COMPILER_ID STREQUAL "GNU")
    add_compile_options(-Wno-maybe-uninitialized)
  endif()
endif()
# Fuzzing builds: coverage instrumentation everywhere, so that libFuzzer sees which branches of
# the library an input reached (the fuzz executables themselves add -fsanitize=fuzzer).
if(PF_BUILD_FUZZERS AND CMAKE_CXX_COMPILER_ID STREQUAL "Clang")
  add_compile_options(-fsanitize=fuzzer-no-link)
endif()
