// SPDX-License-Identifier: BSD-2-Clause
// Temporary directories, files and in-process runs of the command line for the CLI tests.
#ifndef PELFORGE_TESTS_CLI_CLI_TEST_UTIL_HPP_
#define PELFORGE_TESTS_CLI_CLI_TEST_UTIL_HPP_

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
  ~TempDir() { std::filesystem::remove_all(path_, ec_); }
  TempDir(const TempDir&) = delete;
  TempDir& operator=(const TempDir&) = delete;
  std::string operator/(const std::string& name) const { return (path_ / name).string(); }

 private:
  std::filesystem::path path_;
  std::error_code ec_;
};

inline void write_file(const std::string& path, const std::string& bytes) {
  std::ofstream(path, std::ios::binary) << bytes;
}

inline std::string read_file(const std::string& path) {
  std::ifstream f(path, std::ios::binary);
  return {std::istreambuf_iterator<char>(f), std::istreambuf_iterator<char>()};
}

inline bool contains(const std::string& s, const std::string& part) {
  return s.find(part) != std::string::npos;
}

// A command line written as one string: words split at spaces, "@name" is a file in `dir`.
inline std::vector<std::string> words(const std::string& line, const TempDir* dir = nullptr) {
  std::vector<std::string> out;
  std::istringstream in(line);
  for (std::string w; in >> w;)
    out.push_back(dir != nullptr && w[0] == '@' ? *dir / w.substr(1) : w);
  return out;
}

struct Outcome {
  int status;
  std::string out;
  std::string err;
};

// Runs one command line in-process, as main() would, with the streams captured.
inline Outcome run(const std::vector<std::string>& args, bool terminal = false) {
  std::ostringstream out, err;
  const int status = pf::cli::run_cli(args, pf::cli::Console{out, err, terminal});
  return {status, out.str(), err.str()};
}

}  // namespace pfct

#endif  // PELFORGE_TESTS_CLI_CLI_TEST_UTIL_HPP_
