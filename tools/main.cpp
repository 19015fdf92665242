// SPDX-License-Identifier: BSD-2-Clause
// pelforge: the command line of the pelforge library.
#include <unistd.h>

#include <cstdio>
#include <iostream>
#include <string>
#include <vector>

#include "cli.hpp"

int main(int argc, char** argv) {
  const std::vector<std::string> args(argv + 1, argv + argc);
  const pf::cli::Console console{std::cout, std::cerr, isatty(fileno(stderr)) == 1};
  const int status = pf::cli::run_cli(args, console);
  std::cout.flush();
  return status;
}
