// SPDX-License-Identifier: BSD-2-Clause
// Without a fuzzing engine a target is a test: this main() feeds it every file of the seed
// corpus directories (or files) named on the command line and reports how many it ran.
// `--write-seeds DIR` asks a target that can make its own seeds (the module targets) to write
// them.
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size);
extern "C" int pf_fuzz_write_seeds(const char* directory) __attribute__((weak));

int main(int argc, char** argv) {
  namespace fs = std::filesystem;
  if (argc == 3 && std::string(argv[1]) == "--write-seeds") {
    if (pf_fuzz_write_seeds == nullptr) {
      std::fprintf(stderr, "this target makes no seeds of its own\n");
      return 1;
    }
    fs::create_directories(argv[2]);
    std::printf("%d seeds written\n", pf_fuzz_write_seeds(argv[2]));
    return 0;
  }
  int ran = 0;
  for (int i = 1; i < argc; ++i) {
    std::vector<fs::path> files;
    if (fs::is_directory(argv[i])) {
      for (const auto& entry : fs::directory_iterator(argv[i])) files.push_back(entry.path());
    } else {
      files.emplace_back(argv[i]);
    }
    for (const fs::path& file : files) {
      std::ifstream in(file, std::ios::binary);
      if (!in) {
        std::fprintf(stderr, "cannot read %s\n", file.c_str());
        return 1;
      }
      const std::vector<uint8_t> bytes((std::istreambuf_iterator<char>(in)),
                                       std::istreambuf_iterator<char>());
      LLVMFuzzerTestOneInput(bytes.data(), bytes.size());
      ++ran;
    }
  }
  std::printf("%d passed, 0 failed\n", ran);
  return ran > 0 ? 0 : 1;
}
