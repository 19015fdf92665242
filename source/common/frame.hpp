// SPDX-License-Identifier: BSD-2-Clause
// The module frame: Open and Close written once for every module.
//
// A module describes itself with a traits struct:
//
//   struct Traits {
//     using Param = ...;                  // the parameter record Open validates
//     using Instance = ...;               // trivially copyable; zeroed on allocation; its fields
//                                         // hMem, pvFastScratch and hDma (the latter two when
//                                         // the codes below say the module keeps them)
//     static constexpr FrameCodes kCodes{...};
//     static constexpr const char* kSource = "../source/common/<module>.c";
//     static constexpr bool kSelectFirst = true;   // optional: choose the kernel before taking
//                                                  // scratch (default: after the DMA handle)
//     static uint32_t validate(const Param&);      // first failing field's code, or 0
//     static void global_init();                   // the module's <Prefix>GlobalInit
//     static uint32_t select(Instance&, const Param&);  // copy parameters, pick the kernel
//     // optional: uint32_t acquire(Instance&) (or acquire(Instance&, const Param&), for
//     // buffers sized by the parameters) / void release(Instance&) for further buffers,
//     // taken after the DMA handle and released first. release may return a uint32_t status
//     // instead (a module that closes an inner instance there): Close then returns that status
//     // when it is not 0, so the inner module's code reaches the host unchanged.
//     static constexpr bool kBuffersFirst = true;  // optional: take those buffers right after
//                                                  // the instance (and after select when it
//                                                  // runs first), before scratch and DMA handle;
//                                                  // they are then released after the scratch
//   };
#ifndef PELFORGE_SOURCE_COMMON_FRAME_HPP_
#define PELFORGE_SOURCE_COMMON_FRAME_HPP_

#include <concepts>
#include <cstdint>
#include <cstring>
#include <type_traits>

#include "pelforge.h"
#include "video_mem.h"

namespace pf {

struct FrameCodes {
  uint32_t out_pointer;        // null out-pointer in Open; 0: the module has no code for it
  uint32_t init_pointer;       // null parameter record or memory handle in Open
  uint32_t handle_malloc;      // instance allocation failed
  uint32_t fast_scratch;       // fast scratch allocation failed; 0: the module keeps none
  uint32_t dma;                // no DMA handle; 0: the module keeps none
  uint32_t close_pointer;      // null handle in Close
  uint32_t close_mem_pointer;  // instance without memory handle in Close
  uint32_t mem_pointer = 0;    // null memory handle in Open; 0: reported as init_pointer
  uint32_t close_free = 0;     // the instance's release failed in Close; 0: the service's code
};

inline constexpr uint32_t kScratchAlign = 8;
inline constexpr uint32_t kInstanceAlign = 8;

// Thin wrappers that always pass the tags the service expects.
inline void* vmem_malloc(void* mem, uint32_t size, uint32_t align, const char* file,
                         uint32_t line) {
  return VideoMemMalloc_c(mem, size, align, VIDEOMEM_TAG_GENERAL, file, line);
}
inline uint32_t vmem_free(void* mem, void* block, const char* file, uint32_t line) {
  return VideoMemFree_c(mem, block, VIDEOMEM_TAG_FREE, file, line);
}
inline void* vmem_malloc_scratch(void* mem, const char* file, uint32_t line) {
  return VideoMemMallocFastScrach_c(mem, PF_FAST_SCRATCH_BYTES, kScratchAlign,
                                    VIDEOMEM_TAG_FAST_SCRATCH, file, line);
}
inline void vmem_free_scratch(void* mem, void* block, const char* file, uint32_t line) {
  VideoMemFreeFastScrach_c(mem, block, VIDEOMEM_TAG_FAST_SCRATCH, file, line);
}

template <class M>
constexpr bool select_first() {
  if constexpr (requires { M::kSelectFirst; }) {
    return M::kSelectFirst;
  } else {
    return false;
  }
}

template <class M>
constexpr bool buffers_first() {
  if constexpr (requires { M::kBuffersFirst; }) {
    return M::kBuffersFirst;
  } else {
    return false;
  }
}

template <class M>
concept AcquiresWithParam = requires(typename M::Instance& inst, const typename M::Param& p) {
  { M::acquire(inst, p) } -> std::same_as<uint32_t>;
};

template <class M>
concept AcquiresAlone = requires(typename M::Instance& inst) {
  { M::acquire(inst) } -> std::same_as<uint32_t>;
};

template <class M>
concept ReleasesBuffers = requires(typename M::Instance& inst) {
  M::release(inst);
};

template <class M>
concept AcquiresBuffers = AcquiresWithParam<M> || AcquiresAlone<M>;

template <class M>
concept HasExtraBuffers = AcquiresBuffers<M> && ReleasesBuffers<M>;

template <class M>
uint32_t acquire_buffers(typename M::Instance& inst, const typename M::Param& p) {
  if constexpr (AcquiresWithParam<M>) {
    return M::acquire(inst, p);
  } else {
    return M::acquire(inst);
  }
}

template <class M>
concept ReleaseReportsStatus = HasExtraBuffers<M> && requires(typename M::Instance& inst) {
  { M::release(inst) } -> std::same_as<uint32_t>;
};

// Releases what Open obtained, newest first. Used by Open's rollback and by Close.
template <class M>
uint32_t release_instance(typename M::Instance* inst, bool extras) {
  void* mem = inst->hMem;
  if constexpr (HasExtraBuffers<M> && !buffers_first<M>()) {
    if (extras) M::release(*inst);
  }
  if constexpr (M::kCodes.fast_scratch != 0) {
    if (inst->pvFastScratch != nullptr)
      vmem_free_scratch(mem, inst->pvFastScratch, M::kSource, __LINE__);
  }
  if constexpr (HasExtraBuffers<M> && buffers_first<M>()) {
    if (extras) M::release(*inst);
  }
  return vmem_free(mem, inst, M::kSource, __LINE__);
}

template <class M>
uint32_t open(void** out, const void* param, void* mem) {
  using Instance = typename M::Instance;
  static_assert(std::is_trivially_copyable_v<Instance> && std::is_standard_layout_v<Instance>);
  if constexpr (M::kCodes.out_pointer != 0) {
    if (out == nullptr) return M::kCodes.out_pointer;
  }
  // A module without a code of its own for a null out-pointer reports it as a null parameter
  // pointer: there is nowhere to store the handle, and writing through null is not an option.
  if (param == nullptr || out == nullptr) return M::kCodes.init_pointer;
  if (mem == nullptr) {
    return M::kCodes.mem_pointer != 0 ? M::kCodes.mem_pointer : M::kCodes.init_pointer;
  }
  const auto& p = *static_cast<const typename M::Param*>(param);
  if (const uint32_t error = M::validate(p)) return error;
  M::global_init();

  auto* inst = static_cast<Instance*>(
      vmem_malloc(mem, sizeof(Instance), kInstanceAlign, M::kSource, __LINE__));
  if (inst == nullptr) return M::kCodes.handle_malloc;
  std::memset(static_cast<void*>(inst), 0, sizeof(Instance));
  inst->hMem = mem;

  if constexpr (select_first<M>()) {
    if (const uint32_t error = M::select(*inst, p)) {
      release_instance<M>(inst, false);
      return error;
    }
  }
  // Whether the module's own buffers are held when the scratch or the DMA handle fails.
  constexpr bool kHeld = HasExtraBuffers<M> && buffers_first<M>();
  if constexpr (kHeld) {
    if (const uint32_t error = acquire_buffers<M>(*inst, p)) {
      release_instance<M>(inst, false);  // acquire cleans up after itself
      return error;
    }
  }
  if constexpr (M::kCodes.fast_scratch != 0) {
    inst->pvFastScratch = vmem_malloc_scratch(mem, M::kSource, __LINE__);
    if (inst->pvFastScratch == nullptr) {
      release_instance<M>(inst, kHeld);
      return M::kCodes.fast_scratch;
    }
  }
  if constexpr (M::kCodes.dma != 0) {
    inst->hDma = GetDMAHandle_c(mem);
    if (inst->hDma == nullptr) {
      release_instance<M>(inst, kHeld);
      return M::kCodes.dma;
    }
  }
  if constexpr (HasExtraBuffers<M> && !buffers_first<M>()) {
    if (const uint32_t error = acquire_buffers<M>(*inst, p)) {
      release_instance<M>(inst, false);  // acquire cleans up after itself
      return error;
    }
  }
  if constexpr (!select_first<M>()) {
    if (const uint32_t error = M::select(*inst, p)) {
      release_instance<M>(inst, true);
      return error;
    }
  }
  *out = inst;
  return PF_STATUS_OK;
}

// GetMemSize of a module whose size does not depend on the parameters (which are not read). A
// null result pointer is reported with `null_code` rather than written through.
inline uint32_t fixed_mem_size(uint32_t* out, uint32_t size, uint32_t null_code) {
  if (out == nullptr) return null_code;
  *out = size;
  return PF_STATUS_OK;
}

template <class M>
uint32_t close(void* handle) {
  if (handle == nullptr) return M::kCodes.close_pointer;
  auto* inst = static_cast<typename M::Instance*>(handle);
  if (inst->hMem == nullptr) return M::kCodes.close_mem_pointer;
  if constexpr (buffers_first<M>() && M::kCodes.fast_scratch != 0) {
    // Buffers taken before the scratch go after it.
    if (inst->pvFastScratch != nullptr) {
      vmem_free_scratch(inst->hMem, inst->pvFastScratch, M::kSource, __LINE__);
      inst->pvFastScratch = nullptr;
    }
  }
  uint32_t inner = PF_STATUS_OK;
  if constexpr (ReleaseReportsStatus<M>) {
    inner = M::release(*inst);
  } else if constexpr (HasExtraBuffers<M>) {
    M::release(*inst);
  }
  uint32_t status = release_instance<M>(inst, false);
  if constexpr (M::kCodes.close_free != 0) {
    if (status != PF_STATUS_OK) status = M::kCodes.close_free;
  }
  // Everything is released whatever fails; the first failure is the one reported.
  return inner != PF_STATUS_OK ? inner : status;
}

}  // namespace pf

#endif  // PELFORGE_SOURCE_COMMON_FRAME_HPP_
