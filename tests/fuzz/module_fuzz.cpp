// SPDX-License-Identifier: BSD-2-Clause
// Every module of one family (PF_FUZZ_FAMILY) through its nine entry points, from the module's
// own description (its ModuleCase): nothing here knows a module by name, so a module joins its
// family's target by describing itself.
//
// An input is
//   2 bytes   which module: the 16-bit hash of its case name (seeds stay valid as modules are
//             added); any other value picks one by remainder
//   1 byte    flags: bit 0 the protected page before the planes instead of after them, bit 1
//             a SetParam with a second record, bit 2 GetMemSize, bit 3 Process twice
//   1 byte    n, then n edits of the valid record (the first record)
//   1 byte    m, then m edits of the first record (the second record)
//   the rest  picture contents (and the codecs' access units)
// An edit is an operation byte, a 3-byte offset into the record and a 4-byte value. Most
// operations keep numbers in the ranges modules accept (small numbers, picture sizes, nudges of
// the valid value), so that many records pass Open and reach Process; the others write raw bytes.
//
// Every record is bound (its pointers set to buffers as long as it says) before Open and
// SetParam; every accepted configuration runs Process on page-guarded pictures; GetStatus writes
// into a page-guarded record; Close must give back every block. A leak, a status that is neither
// 0 nor a code the module names, or a Close that fails traps, so the fuzzer stops on it.
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "fuzz_util.hpp"
#include "module_cases.hpp"
#include "video_mem.h"

#ifndef PF_FUZZ_FAMILY
#error "build with -DPF_FUZZ_FAMILY=kScaling (or another pft::Family)"
#endif

namespace {

using pft::ModuleCase;

const std::vector<const ModuleCase*>& family_cases() {
  static const std::vector<const ModuleCase*> cases = [] {
    std::vector<const ModuleCase*> out;
    for (const ModuleCase& m : pft::module_cases()) {
      if (m.family == pft::Family::PF_FUZZ_FAMILY && !m.param.empty() && m.entry.Open != nullptr &&
          m.run) {
        out.push_back(&m);
      }
    }
    return out;
  }();
  return cases;
}

uint16_t name_hash(const std::string& name) {
  uint32_t h = 2166136261u;
  for (const char c : name) h = (h ^ static_cast<uint8_t>(c)) * 16777619u;
  return static_cast<uint16_t>(h ^ (h >> 16));
}

// Values that records are made of: picture sizes, pitches, type codes, limits and their
// neighbours.
constexpr uint32_t kInteresting[] = {
    0,    1,    2,     3,     4,    6,     7,          8,          15,         16,
    17,   31,   32,    33,    64,   96,    112,        144,        176,        240,
    288,  352,  360,   480,   576,  704,   720,        1024,       1280,       1440,
    1920, 2048, 2560,  4096,  6144, 12288, 12290,      420,        4202,       4221,
    422,  4201, 42012, 42021, 255,  256,   0x7FFFFFFF, 0x80000000, 0xFFFFFFFF, 0xFFFFFFFE};

void apply_edits(pfz::Input& in, pft::Bytes& record) {
  const size_t count = in.byte() % 16;
  for (size_t i = 0; i < count && !in.empty(); ++i) {
    const uint8_t op = in.byte();
    const size_t offset = in.u24() % record.size();
    const uint32_t value = in.u32();
    const size_t word = offset & ~size_t{3};
    uint32_t current = 0;
    const size_t width = std::min<size_t>(4, record.size() - word);
    std::memcpy(&current, record.data() + word, width);
    uint32_t next = current;
    switch (op % 8) {
      case 0:  // a small number
        next = value % 64;
        break;
      case 1:  // a nudge of the present value
        next = current + static_cast<uint32_t>(static_cast<int8_t>(value));
        break;
      case 2:
      case 3:  // something records are made of
        next = kInteresting[value % std::size(kInteresting)];
        break;
      case 4:  // double or halve a size
        next = (value & 1) != 0 ? current * 2 : current / 2;
        break;
      case 5:  // round to a multiple
        next = current & ~((1u << (value % 5)) - 1);
        break;
      case 6:  // a raw byte
        record[offset] = static_cast<uint8_t>(value);
        continue;
      default:  // raw bits
        next = value;
        break;
    }
    std::memcpy(record.data() + word, &next, width);
  }
}

void check_status(const ModuleCase& m, uint32_t status) {
  if (status == 0 || pft::nameable(m, status)) return;
  std::fprintf(stderr, "%s returned %#x, a code it cannot name\n", m.name.c_str(), status);
  std::abort();
}

void check_nothing_left(const ModuleCase& m, void* mem, const char* after) {
  tVideoMemStats stats{};
  VideoMemGetStats(mem, &stats);
  if (stats.u64LiveBlocks != 0) {
    std::fprintf(stderr, "%s left %llu blocks allocated after %s\n", m.name.c_str(),
                 static_cast<unsigned long long>(stats.u64LiveBlocks), after);
    std::abort();
  }
}

// Process on pictures of `record`; a record whose pictures would not fit the run's budget is
// skipped, the module has already accepted it.
void run(const ModuleCase& m, void* h, const pft::Bytes& record, pft::Pictures& pictures) {
  try {
    check_status(m, m.run(m.entry, h, record.data(), pictures));
  } catch (const pft::TooLarge&) {
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size);

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const auto& cases = family_cases();
  if (cases.empty() || size < 3) return 0;
  pfz::Input in(data, size);
  const uint16_t selector = in.u16();
  const ModuleCase* chosen = cases[selector % cases.size()];
  for (const ModuleCase* m : cases) {
    if (name_hash(m->name) == selector) chosen = m;
  }
  const ModuleCase& m = *chosen;
  const uint8_t flags = in.byte();
  pft::Bytes first = m.param;
  apply_edits(in, first);
  pft::Bytes second = first;
  apply_edits(in, second);

  // The memory service as a pool of 256 MiB: a record Open accepts may ask for gigabytes, which
  // the module must then report as its memory error.
  static void* const mem = [] {
    void* handle = VideoMemCreate();
    VideoMemSetLimit(handle, uint64_t{256} << 20);
    return handle;
  }();
  const pft::PageGuard side = (flags & 1) != 0 ? pft::PageGuard::kHead : pft::PageGuard::kTail;
  // Pictures of up to 32 MiB in all: every size a recorder or a display shows (4096x2160 4:2:2
  // takes 17 MiB) while keeping each run far below the fuzzer's timeout under ASan; records
  // that ask for more are still opened, set and closed, only not processed.
  pft::Pictures pictures(side, in.rest(), in.left(), size_t{32} << 20);
  try {
    if (m.bind) {
      m.bind(first.data(), pictures);
      m.bind(second.data(), pictures);
    }
  } catch (const pft::TooLarge&) {
    return 0;
  }

  if ((flags & 4) != 0) {
    uint32_t bytes = 0;
    check_status(m, m.entry.GetMemSize(first.data(), &bytes));
  }
  void* h = nullptr;
  const uint32_t opened = m.entry.Open(&h, first.data(), mem);
  check_status(m, opened);
  if (opened != 0) {
    check_nothing_left(m, mem, "a refused Open");
    return 0;
  }
  run(m, h, first, pictures);
  if ((flags & 8) != 0) run(m, h, first, pictures);
  if ((flags & 2) != 0) {
    const uint32_t set = m.entry.SetParam(h, second.data());
    check_status(m, set);
    // A refused record leaves the instance as it was.
    run(m, h, set == 0 ? second : first, pictures);
  }
  const size_t status_size = m.status_echoes_param ? m.param.size() : m.status_size;
  if (status_size != 0) {
    pft::PageBuffer status(status_size, pft::PageGuard::kTail);
    check_status(m, m.entry.GetStatus(h, status.data()));
  }
  const uint32_t closed = m.entry.Close(h);
  if (closed != 0) {
    std::fprintf(stderr, "%s: Close returned %#x\n", m.name.c_str(), closed);
    std::abort();
  }
  check_nothing_left(m, mem, "Close");
  return 0;
}

// Seeds: for every module of the family its valid record as it is, with a SetParam, on either
// page side, and each of its refused records written as raw edits.
extern "C" int pf_fuzz_write_seeds(const char* directory);

extern "C" int pf_fuzz_write_seeds(const char* directory) {
  int written = 0;
  const auto append = [](std::vector<uint8_t>& to, const std::vector<uint8_t>& from) {
    for (const uint8_t b : from) to.push_back(b);
  };
  const auto write = [&](const std::string& name, const std::vector<uint8_t>& bytes) {
    std::ofstream(std::filesystem::path(directory) / name, std::ios::binary)
        .write(reinterpret_cast<const char*>(bytes.data()), std::streamsize(bytes.size()));
    ++written;
  };
  for (const ModuleCase* m : family_cases()) {
    const uint16_t hash = name_hash(m->name);
    std::vector<uint8_t> content(64);
    for (size_t i = 0; i < content.size(); ++i) content[i] = static_cast<uint8_t>(i * 29 + 7);
    for (const uint8_t flags : {0x0, 0xF}) {
      std::vector<uint8_t> seed = {static_cast<uint8_t>(hash), static_cast<uint8_t>(hash >> 8),
                                   flags, 0, 0};
      append(seed, content);
      write(m->name + "_valid_" + std::to_string(flags), seed);
    }
    int row_index = 0;
    for (const pft::ValidationRow& row : m->rows) {
      pft::Bytes changed = m->param;
      row.change(changed.data());
      std::vector<uint8_t> edits;
      for (size_t word = 0; word < changed.size(); word += 4) {
        uint32_t before = 0, after = 0;
        const size_t width = std::min<size_t>(4, changed.size() - word);
        std::memcpy(&before, m->param.data() + word, width);
        std::memcpy(&after, changed.data() + word, width);
        if (before == after) continue;
        const std::vector<uint8_t> edit = {7,
                                           static_cast<uint8_t>(word),
                                           static_cast<uint8_t>(word >> 8),
                                           static_cast<uint8_t>(word >> 16),
                                           static_cast<uint8_t>(after),
                                           static_cast<uint8_t>(after >> 8),
                                           static_cast<uint8_t>(after >> 16),
                                           static_cast<uint8_t>(after >> 24)};
        append(edits, edit);
      }
      if (edits.empty() || edits.size() / 8 > 15) continue;
      // As the first record, and as the second one (SetParam of a refused record).
      for (const bool as_second : {false, true}) {
        std::vector<uint8_t> seed = {static_cast<uint8_t>(hash), static_cast<uint8_t>(hash >> 8),
                                     static_cast<uint8_t>(as_second ? 2 : 0)};
        if (as_second) seed.push_back(0);
        seed.push_back(static_cast<uint8_t>(edits.size() / 8));
        append(seed, edits);
        if (!as_second) seed.push_back(0);
        append(seed, content);
        write(m->name + "_row" + std::to_string(row_index) + (as_second ? "_set" : "_open"), seed);
      }
      ++row_index;
    }
  }
  return written;
}
