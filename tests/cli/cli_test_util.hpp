// SPDX-License-Identifier: BSD-2-Clause
// Temporary directories, files and in-process runs of the command line for the CLI tests.
#ifndef PELFORGE_TESTS_CLI_CLI_TEST_UTIL_HPP_
#define PELFORGE_TESTS_CLI_CLI_TEST_UTIL_HPP_

#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <sstream>
#include <string>
#include <vector>

#include "cli.hpp"

namespace pfct {

// A fresh directory, removed with everything in it when the test ends.
class TempDir {
 public:
  TempDir() {
    std::string tmpl = (std::filesystem::temp_directory_path() / "pf_cli_XXXXXX").string();
    path_ = ::mkdtemp(tmpl.data());
  }
  ~TempDir() {
    std::error_code ec;
    std::filesystem::remove_all(path_, ec);
  }
  TempDir(const TempDir&) = delete;
  TempDir& operator=(const TempDir&) = delete;
  std::string operator/(const std::string& name) const { return (path_ / name).string(); }

 private:
  std::filesystem::path path_;
};

inline void write_file(const std::string& path, const std::vector<uint8_t>& bytes) {
  std::ofstream f(path, std::ios::binary);
  f.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
}

inline void write_file(const std::string& path, const std::string& bytes) {
  std::ofstream f(path, std::ios::binary);
  f << bytes;
}

inline std::vector<uint8_t> read_file(const std::string& path) {
  std::ifstream f(path, std::ios::binary);
  return {std::istreambuf_iterator<char>(f), std::istreambuf_iterator<char>()};
}

struct Outcome {
  int status;
  std::string out;
  std::string err;
};

// Runs one command line in-process, as main() would, with the streams captured.
inline Outcome run(const std::vector<std::string>& args, bool terminal = false) {
  std::ostringstream out, err;
  const pf::cli::Console console{out, err, terminal};
  const int status = pf::cli::run_cli(args, console);
  return {status, out.str(), err.str()};
}

}  // namespace pfct

#endif  // PELFORGE_TESTS_CLI_CLI_TEST_UTIL_HPP_
