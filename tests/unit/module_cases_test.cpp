// SPDX-License-Identifier: BSD-2-Clause
// The questions every module answers the same way, asked of every module that describes itself
// as a ModuleCase (tests/support/module_cases.hpp), and of every module the registry holds.
#include "module_cases.hpp"

#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <cstring>
#include <regex>
#include <string>
#include <thread>
#include <vector>

#include "registry.hpp"
#include "video_mem.h"
#include "vmem_fixture.hpp"

namespace {

using pft::ModuleCase;

void* const kSentinel = reinterpret_cast<void*>(0x5EA1);

// A fresh memory handle for one case, checked empty when the case is done.
class CaseMemory {
 public:
  CaseMemory() : mem_(VideoMemCreate()) {}
  ~CaseMemory() {
    EXPECT_EQ(live(), 0u) << "blocks left allocated";
    VideoMemDestroy(mem_);
  }
  CaseMemory(const CaseMemory&) = delete;
  CaseMemory& operator=(const CaseMemory&) = delete;
  void* get() const { return mem_; }
  uint64_t live() const { return pft::stats_of(mem_).u64LiveBlocks; }
  uint64_t allocations() const { return pft::stats_of(mem_).u64Allocations; }

 private:
  void* mem_;
};

bool openable(const ModuleCase& m) { return !m.param.empty() && m.entry.Open != nullptr; }

size_t status_bytes(const ModuleCase& m) {
  return m.status_echoes_param ? m.param.size() : m.status_size;
}

// Process through the case's run on pictures of `param`, once with every plane against a
// protected page after it and once with a protected page before it: a read or write past either
// end of a plane faults at once.
uint32_t run_guarded(const ModuleCase& m, void* h) {
  for (const pft::PageGuard side : {pft::PageGuard::kTail, pft::PageGuard::kHead}) {
    pft::Pictures pictures(side);
    if (const uint32_t status = m.run(m.entry, h, m.param.data(), pictures)) return status;
  }
  return PF_STATUS_OK;
}

TEST(ModuleCases, EveryRegisteredModuleHasACase) {
  for (size_t i = 0; i < pf::registry_size(); ++i) {
    const tImgProcDesc* d = gaptPelForgePrcList[i];
    bool found = false;
    for (const ModuleCase& m : pft::module_cases()) found |= m.id == d->u32ModuleId;
    EXPECT_TRUE(found) << "module " << d->u32ModuleId << " (" << d->ps8Name << ") has no case";
  }
}

// A module that opens must say how to run Process, or neither its family's fuzz target nor the
// page-guarded runs below would ever reach its kernels.
TEST(ModuleCases, EveryOpenableModuleDescribesProcess) {
  for (const ModuleCase& m : pft::module_cases()) {
    if (openable(m)) {
      EXPECT_TRUE(m.run) << m.name << " has no run";
    }
  }
}

TEST(ModuleCases, TablesHoldTheExportedEntryPoints) {
  static_assert(sizeof(tImgProcFuncList) == 9 * sizeof(void*));
  for (const ModuleCase& m : pft::module_cases()) {
    SCOPED_TRACE(m.name);
    const auto* entry = reinterpret_cast<void* const*>(&m.entry);
    if (m.entry.Open != nullptr) {
      for (int slot = 0; slot < 9; ++slot) EXPECT_NE(entry[slot], nullptr) << "slot " << slot;
    }
    if (m.table != nullptr) {
      const auto* table = reinterpret_cast<void* const*>(m.table);
      for (int slot = 0; slot < 9; ++slot) EXPECT_EQ(table[slot], entry[slot]) << "slot " << slot;
    }
    if (m.id != 0) {
      EXPECT_EQ(VekVideoPelForgeGetFuncList(m.id), m.table);
    }
  }
}

TEST(ModuleCases, CodesNameThemselves) {
  for (const ModuleCase& m : pft::module_cases()) {
    SCOPED_TRACE(m.name);
    ASSERT_NE(m.entry.AnalyzeErrorCode, nullptr);
    ASSERT_NE(m.names, nullptr);
    const auto analyze = m.entry.AnalyzeErrorCode;
    char buf[256];
    for (uint32_t code = m.accept_lo; code <= m.accept_hi; ++code) {
      std::memset(buf, 0, sizeof buf);
      ASSERT_EQ(analyze(code, sizeof buf, buf), 0u) << std::hex << code;
      EXPECT_STREQ(buf, m.names[code - m.first_code]) << std::hex << code;
      EXPECT_EQ(std::string(buf).rfind("ERR_", 0), 0u) << buf;
    }
    // The exact length has no room for the terminator and leaves the buffer alone.
    const char* last = m.names[m.accept_hi - m.first_code];
    const auto length = static_cast<int32_t>(std::strlen(last));
    std::memset(buf, 'x', sizeof buf);
    EXPECT_EQ(analyze(m.accept_hi, length, buf), PF_ERR_NAME_BUFFER_SHORT);
    EXPECT_EQ(buf[0], 'x');
    EXPECT_EQ(analyze(m.accept_hi, length + 1, buf), 0u);
    EXPECT_EQ(analyze(m.accept_lo, -1, buf), PF_ERR_NAME_BUFFER_SHORT);
    // A null buffer is reported first, whatever the code.
    EXPECT_EQ(analyze(m.accept_lo, sizeof buf, nullptr), m.null_name);
    EXPECT_EQ(analyze(0xD0000000u, sizeof buf, nullptr), m.null_name);
    // Codes of no module are nameable nowhere, delegated or not.
    EXPECT_EQ(analyze(0xD0000000u, sizeof buf, buf), PF_ERR_CODE_NOT_NAMEABLE);
    EXPECT_EQ(analyze(0, sizeof buf, buf), PF_ERR_CODE_NOT_NAMEABLE);
    if (!m.delegates) {
      EXPECT_EQ(analyze(m.accept_lo - 1, sizeof buf, buf), PF_ERR_CODE_NOT_NAMEABLE);
      EXPECT_EQ(analyze(m.accept_hi + 1, sizeof buf, buf), PF_ERR_CODE_NOT_NAMEABLE);
    }
  }
}

TEST(ModuleCases, VersionTexts) {
  const std::regex shape(
      "^([A-Za-z0-9]+ )?Version: ([A-Za-z0-9_.]+), Compile time: "
      "(Jan|Feb|Mar|Apr|May|Jun|Jul|Aug|Sep|Oct|Nov|Dec) [ 123][0-9] [0-9]{4} "
      "[0-2][0-9]:[0-5][0-9]:[0-6][0-9]\\.\n$");
  for (const ModuleCase& m : pft::module_cases()) {
    SCOPED_TRACE(m.name);
    ASSERT_NE(m.entry.GetVersion, nullptr);
    if (m.version_tag == nullptr) continue;  // forwarded to another library
    const auto get = m.entry.GetVersion;
    char buf[256];
    uint32_t length = 12345;
    std::memset(buf, 'x', sizeof buf);
    EXPECT_EQ(get(buf, m.version_min - 1, &length), m.short_version);
    EXPECT_EQ(buf[0], 'x');
    EXPECT_EQ(length, 12345u);
    EXPECT_EQ(get(nullptr, m.version_min, &length), m.null_version);
    if (m.null_version_length != 0) {
      EXPECT_EQ(get(buf, m.version_min, nullptr), m.null_version_length);
    }
    ASSERT_EQ(get(buf, m.version_min, &length), 0u);
    const std::string text(buf);
    EXPECT_EQ(length, text.size());
    std::smatch match;
    ASSERT_TRUE(std::regex_match(text, match, shape)) << text;
    EXPECT_EQ(match[2].str(), m.version_tag);
  }
}

TEST(ModuleCases, NullPointersAreRefusedWithTheirCodes) {
  for (const ModuleCase& m : pft::module_cases()) {
    if (!openable(m)) continue;
    SCOPED_TRACE(m.name);
    CaseMemory mem;
    const tImgProcFuncList& e = m.entry;
    void* h = kSentinel;
    if (m.open_null_out != 0) {
      EXPECT_EQ(e.Open(nullptr, m.param.data(), mem.get()), m.open_null_out);
    }
    if (m.open_null_param != 0) {
      EXPECT_EQ(e.Open(&h, nullptr, mem.get()), m.open_null_param);
    }
    if (m.open_null_mem != 0) {
      EXPECT_EQ(e.Open(&h, m.param.data(), nullptr), m.open_null_mem);
    }
    EXPECT_EQ(h, kSentinel);
    EXPECT_EQ(mem.allocations(), 0u);
    if (m.close_null != 0) {
      EXPECT_EQ(e.Close(nullptr), m.close_null);
    }
    if (m.close_no_mem != 0) {
      alignas(16) uint8_t orphan[4096] = {};
      EXPECT_EQ(e.Close(orphan), m.close_no_mem);
    }
    if (m.close_foreign != 0) {
      alignas(16) uint8_t stranger[4096] = {};
      void* const handle = mem.get();
      std::memcpy(stranger, &handle, sizeof handle);
      EXPECT_EQ(e.Close(stranger), m.close_foreign);
    }
    std::vector<uint8_t> status(std::max<size_t>(status_bytes(m), 1) + 64);
    if (m.setparam_null_handle != 0) {
      EXPECT_EQ(e.SetParam(nullptr, m.param.data()), m.setparam_null_handle);
    }
    if (m.getstatus_null_handle != 0) {
      EXPECT_EQ(e.GetStatus(nullptr, status.data()), m.getstatus_null_handle);
    }
    alignas(16) uint8_t records[2][256] = {};
    if (m.process_null_handle != 0) {
      EXPECT_EQ(e.Process(nullptr, records[0], records[1]), m.process_null_handle);
    }
    ASSERT_EQ(e.Open(&h, m.param.data(), mem.get()), 0u);
    if (m.setparam_null_param != 0) {
      EXPECT_EQ(e.SetParam(h, nullptr), m.setparam_null_param);
    }
    if (m.getstatus_null_record != 0) {
      EXPECT_EQ(e.GetStatus(h, nullptr), m.getstatus_null_record);
    }
    if (m.process_null_input != 0) {
      EXPECT_EQ(e.Process(h, nullptr, nullptr), m.process_null_input);
    }
    if (m.process_null_output != 0) {
      EXPECT_EQ(e.Process(h, records[0], nullptr), m.process_null_output);
    }
    if (m.debug_is_noop) {
      EXPECT_EQ(e.Debug(h, nullptr), 0u);
    }
    EXPECT_EQ(e.Close(h), 0u);
  }
}

// Open, Process, GetStatus, SetParam, Process again, Close: every step succeeds, the status is
// what was set, and nothing is left behind.
TEST(ModuleCases, LifeCycleGivesBackEverything) {
  for (const ModuleCase& m : pft::module_cases()) {
    if (!openable(m)) continue;
    SCOPED_TRACE(m.name);
    CaseMemory mem;
    const tImgProcFuncList& e = m.entry;
    void* h = nullptr;
    ASSERT_EQ(e.Open(&h, m.param.data(), mem.get()), 0u);
    ASSERT_NE(h, nullptr);
    if (m.run) {
      EXPECT_EQ(run_guarded(m, h), 0u);
    }
    if (status_bytes(m) != 0) {
      // Padding inside the record stays as the caller left it: zero, as in `param`.
      std::vector<uint8_t> status(status_bytes(m) + 64, 0xA5);
      std::fill(status.begin(), status.begin() + static_cast<ptrdiff_t>(status_bytes(m)), 0);
      EXPECT_EQ(e.GetStatus(h, status.data()), 0u);
      if (m.status_echoes_param) {
        EXPECT_EQ(0, std::memcmp(status.data(), m.param.data(), m.param.size()));
      }
      for (size_t i = status_bytes(m); i < status.size(); ++i) {
        ASSERT_EQ(status[i], 0xA5) << "GetStatus wrote past its record at byte " << i;
      }
    }
    if (m.setparam_takes_param) {
      EXPECT_EQ(e.SetParam(h, m.param.data()), 0u);
      if (m.run) {
        EXPECT_EQ(run_guarded(m, h), 0u);
      }
    }
    if (m.mem_size) {
      uint32_t size = 0;
      EXPECT_EQ(e.GetMemSize(m.param.data(), &size), 0u);
      EXPECT_EQ(size, *m.mem_size);
    }
    EXPECT_EQ(e.Close(h), 0u);
  }
}

// Each refused record: the first failing field's code through Open and SetParam, nothing taken
// from the memory service (or given back at once), and the open instance unchanged.
TEST(ModuleCases, RefusedRecordsChangeNothing) {
  for (const ModuleCase& m : pft::module_cases()) {
    if (!openable(m) || m.rows.empty()) continue;
    SCOPED_TRACE(m.name);
    CaseMemory mem;
    const tImgProcFuncList& e = m.entry;
    void* h = nullptr;
    ASSERT_EQ(e.Open(&h, m.param.data(), mem.get()), 0u);
    const uint64_t live = mem.live();
    std::vector<uint8_t> before(status_bytes(m) + 1), after(status_bytes(m) + 1);
    if (status_bytes(m) != 0) {
      ASSERT_EQ(e.GetStatus(h, before.data()), 0u);
    }
    for (const pft::ValidationRow& row : m.rows) {
      SCOPED_TRACE(row.what);
      pft::Bytes p = m.param;
      row.change(p.data());
      const uint64_t allocations = mem.allocations();
      void* never = kSentinel;
      EXPECT_EQ(e.Open(&never, p.data(), mem.get()), row.open_code);
      EXPECT_EQ(never, kSentinel);
      if (!row.allocates) {
        EXPECT_EQ(mem.allocations(), allocations);
      }
      EXPECT_EQ(mem.live(), live);
      if (m.setparam_takes_param) {
        EXPECT_EQ(e.SetParam(h, p.data()),
                  row.setparam_code != 0 ? row.setparam_code : row.open_code);
        if (status_bytes(m) != 0) {
          ASSERT_EQ(e.GetStatus(h, after.data()), 0u);
          EXPECT_EQ(after, before) << "a refused SetParam changed the instance";
        }
      }
    }
    // And the instance still processes the pictures of the record it was opened with.
    if (m.run) {
      EXPECT_EQ(run_guarded(m, h), 0u) << "Process after the refused records";
    }
    EXPECT_EQ(e.Close(h), 0u);
  }
}

// Open with the n-th allocation failing, for every n until Open succeeds, and with no DMA
// handle: the module's code, nothing left allocated, the out-pointer untouched.
TEST(ModuleCases, FailedAllocationsRollBack) {
  for (const ModuleCase& m : pft::module_cases()) {
    if (!openable(m)) continue;
    SCOPED_TRACE(m.name);
    CaseMemory mem;
    const tImgProcFuncList& e = m.entry;
    bool opened = false;
    for (uint32_t n = 1; n <= 4096 && !opened; ++n) {
      VideoMemFailAllocation(mem.get(), n);
      void* h = kSentinel;
      const uint32_t status = e.Open(&h, m.param.data(), mem.get());
      VideoMemFailAllocation(mem.get(), 0);
      if (status == PF_STATUS_OK) {
        opened = true;
        EXPECT_EQ(e.Close(h), 0u);
        EXPECT_GE(n, m.open_failures.size() + 1) << "fewer allocations than expected";
        continue;
      }
      EXPECT_EQ(h, kSentinel) << "allocation " << n;
      EXPECT_EQ(mem.live(), 0u) << "leak when allocation " << n << " fails";
      if (n <= m.open_failures.size()) {
        EXPECT_EQ(status, m.open_failures[n - 1]) << "allocation " << n;
      } else {
        EXPECT_TRUE(pft::nameable(m, status)) << std::hex << status << " for allocation " << n;
      }
    }
    EXPECT_TRUE(opened);
    // The n-th DMA handle request failing, for every n until Open succeeds: a module that keeps
    // inner instances asks once for itself and once for each of them, and whichever fails, the
    // instances opened before it must be closed again.
    opened = false;
    for (uint32_t n = 1; n <= 256 && !opened; ++n) {
      VideoMemFailDmaRequest(mem.get(), n);
      void* h = kSentinel;
      const uint32_t status = e.Open(&h, m.param.data(), mem.get());
      VideoMemFailDmaRequest(mem.get(), 0);
      if (status == PF_STATUS_OK) {
        opened = true;
        EXPECT_EQ(e.Close(h), 0u);
        EXPECT_TRUE(n > 1 || m.dma_failure == 0) << "no DMA handle asked for";
        continue;
      }
      EXPECT_EQ(h, kSentinel) << "DMA request " << n;
      EXPECT_EQ(mem.live(), 0u) << "leak when DMA request " << n << " fails";
      if (n == 1 && m.dma_failure != 0) {
        EXPECT_EQ(status, m.dma_failure);
      } else {
        EXPECT_TRUE(pft::nameable(m, status)) << std::hex << status << " for DMA request " << n;
      }
    }
    EXPECT_TRUE(opened);
    // SetParam of a module that allocates there gives back what it took when that fails.
    if (m.setparam_takes_param) {
      void* h = nullptr;
      ASSERT_EQ(e.Open(&h, m.param.data(), mem.get()), 0u);
      const uint64_t live = mem.live();
      for (uint32_t n = 1; n <= 4096; ++n) {
        VideoMemFailAllocation(mem.get(), n);
        const uint32_t status = e.SetParam(h, m.param.data());
        VideoMemFailAllocation(mem.get(), 0);
        if (status == PF_STATUS_OK) break;
        EXPECT_TRUE(pft::nameable(m, status)) << std::hex << status;
        EXPECT_EQ(mem.live(), live) << "SetParam leaked when allocation " << n << " failed";
      }
      EXPECT_EQ(e.Close(h), 0u);
    }
  }
}

// One instance's life on `mem`: Open, the case's run when it has one, Close. Returns how many
// of them failed.
int open_run_close(const ModuleCase& m, void* mem) {
  void* h = nullptr;
  if (m.entry.Open(&h, m.param.data(), mem) != 0) return 1;
  int failures = 0;
  if (m.run) {
    pft::Pictures pictures;
    if (m.run(m.entry, h, m.param.data(), pictures) != 0) ++failures;
  }
  if (m.entry.Close(h) != 0) ++failures;
  return failures;
}

// Instances of one module in several threads at once, each with its own memory handle. Under
// ThreadSanitizer this also covers the kernel pointers and whatever a module shares.
TEST(ModuleCases, InstancesRunSideBySide) {
  for (const ModuleCase& m : pft::module_cases()) {
    if (!openable(m)) continue;
    SCOPED_TRACE(m.name);
    std::atomic<int> failures{0};
    auto worker = [&] {
      void* mem = VideoMemCreate();
      for (int round = 0; round < 3; ++round) failures.fetch_add(open_run_close(m, mem));
      if (pft::stats_of(mem).u64LiveBlocks != 0) failures.fetch_add(1);
      VideoMemDestroy(mem);
    };
    std::vector<std::thread> threads;
    for (int t = 0; t < 3; ++t) threads.emplace_back(worker);
    for (std::thread& t : threads) t.join();
    EXPECT_EQ(failures.load(), 0);
  }
}

// The very first Open of every module, racing in several threads: one thread runs the module's
// dispatch while the others may copy kernel pointers it is storing. ctest runs each test in a
// process of its own, so no Open has happened before this one (CI also runs it first under
// ThreadSanitizer). Every instance must work, whichever kernel it got.
TEST(ModuleCases, FirstOpensRaceInThreads) {
  std::vector<const ModuleCase*> cases;
  for (const ModuleCase& m : pft::module_cases()) {
    if (openable(m)) cases.push_back(&m);
  }
  constexpr int kThreads = 4;
  std::atomic<int> waiting{kThreads}, failures{0};
  auto worker = [&](int t) {
    void* mem = VideoMemCreate();
    waiting.fetch_sub(1);
    while (waiting.load() > 0) std::this_thread::yield();
    // Each thread walks the modules from a different place, so every module's first Open meets
    // another thread's.
    for (size_t k = 0; k < cases.size(); ++k) {
      failures.fetch_add(open_run_close(*cases[(k + static_cast<size_t>(t)) % cases.size()], mem));
    }
    if (pft::stats_of(mem).u64LiveBlocks != 0) failures.fetch_add(1);
    VideoMemDestroy(mem);
  };
  std::vector<std::thread> threads;
  for (int t = 0; t < kThreads; ++t) threads.emplace_back(worker, t);
  for (std::thread& t : threads) t.join();
  EXPECT_EQ(failures.load(), 0);
}

}  // namespace
