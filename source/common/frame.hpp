// SPDX-License-Identifier: BSD-2-Clause
// The module frame: the entry points every module shares, written once.
//
// A module describes itself with a traits struct and says only what is its own:
//
//   struct Adapt16vs9 {
//     using Param = ...;                  // the parameter record Open validates
//     using Instance = ...;               // trivially copyable; zeroed on allocation; its fields
//                                         // hMem, pvFastScratch and hDma (the latter two when
//                                         // the codes below say the module keeps them), tParam
//                                         // for the default GetStatus
//     static constexpr FrameCodes kCodes = frame_codes(kErrorNames, {.fast_scratch = true,
//                                                                    .dma = true});
//     static constexpr ErrorTable kErrors = error_table(kErrorNames, {...});     // errors.hpp
//     static constexpr VersionSpec kVersion = version_spec(kErrorNames, "...");  // errors.hpp
//     static constexpr const char* kSource = "../source/common/<module>.c";
//     static uint32_t validate(const Param&);      // first failing field's code, or 0
//     static void global_init();                   // optional: the module's <Prefix>GlobalInit
//     static uint32_t select(Instance&, const Param&);  // copy parameters, pick the kernel (may
//                                                  // return void when it cannot fail)
//     static constexpr bool kSelectFirst = true;   // optional: choose the kernel before taking
//                                                  // scratch (default: after the DMA handle)
//     // optional: uint32_t acquire(Instance&) (or acquire(Instance&, const Param&), for
//     // buffers sized by the parameters) / void release(Instance&) for further buffers,
//     // taken after the DMA handle and released first. release may return a uint32_t status
//     // instead (a module that closes an inner instance there): Close then returns that status
//     // when it is not 0, so the inner module's code reaches the host unchanged.
//     static constexpr bool kBuffersFirst = true;  // optional: take those buffers right after
//                                                  // the instance (and after select when it
//                                                  // runs first), before scratch and DMA handle;
//                                                  // they are then released after the scratch
//     // SetParam (pf::set_param) checks its pointers, then validates and selects again:
//     static uint32_t validate_set(const Param&);  // optional: SetParam's field checks, for
//                                                  // modules whose codes there are not Open's
//     static uint32_t set(Instance&, const Param&);  // optional: all of SetParam's work after
//                                                  // the pointer checks, for modules that do
//                                                  // more than validate and select
//     static void status(const Instance&, Param&);  // optional: GetStatus's record, for
//                                                  // modules that do not keep tParam whole
//   };
//
// and defines its exported entry points with the macros at the end of this file:
//
//   PF_DISPATCH(ImageAdapt16vs9)                          // selectors and GlobalInit
//   PF_ENTRY_POINTS(ImageAdapt16vs9, pf::Adapt16vs9)      // Open ... AnalyzeErrorCode
//   ... Process, Debug and GetMemSize, written out ...
//   PF_FUNCTION_TABLE(tImageAdapt16vs9Func, ImageAdapt16vs9)
//
// Entry points a module does differently it writes itself, from the same building blocks.
#ifndef PELFORGE_SOURCE_COMMON_FRAME_HPP_
#define PELFORGE_SOURCE_COMMON_FRAME_HPP_

#include <concepts>
#include <cstdint>
#include <cstring>
#include <type_traits>

#include "errors.hpp"
#include "pelforge.h"
#include "video_mem.h"

namespace pf {

struct FrameCodes {
  uint32_t out_pointer;          // null out-pointer in Open; 0: the module has no code for it
  uint32_t init_pointer;         // null parameter record or memory handle in Open
  uint32_t handle_malloc;        // instance allocation failed
  uint32_t fast_scratch;         // fast scratch allocation failed; 0: the module keeps none
  uint32_t dma;                  // no DMA handle; 0: the module keeps none
  uint32_t close_pointer;        // null handle in Close
  uint32_t close_mem_pointer;    // instance without memory handle in Close
  uint32_t mem_pointer = 0;      // null memory handle in Open; 0: reported as init_pointer
  uint32_t close_free = 0;       // the instance's release failed in Close; 0: the service's code
  uint32_t setparam_handle = 0;  // null handle in SetParam; 0: the module writes its SetParam
  uint32_t setparam_param = 0;   // null record in SetParam; 0: reported as setparam_handle
  uint32_t status_handle = 0;    // null handle in GetStatus; 0: the module writes its GetStatus
  uint32_t status_param = 0;     // null record in GetStatus; 0: reported as status_handle
};

// What the frame takes for a module besides the instance.
struct FrameResources {
  bool fast_scratch = false;
  bool dma = false;
};

// The frame's codes of a module whose error names are the library's usual spellings
// (OPEN_INPUT_HANDLE, OPEN_INPUT_PARAM, OPEN_MALLOC, CLOSE_INPUT_HANDLE, ... and their
// counterparts in the other naming families). A meaning the list spells twice does not compile;
// a module whose names follow no family spells its FrameCodes out.
consteval FrameCodes frame_codes(const ErrorNames& e, FrameResources keeps = {}) {
  FrameCodes c{};
  c.out_pointer = e.one_of({"OPEN_INPUT_HANDLE", "OPEN_HANDLE"});
  c.init_pointer = e.one_of({"OPEN_INPUT_PARAM", "OPEN_PARAM", "INIT_POINTER", "OPEN_POINTER",
                             "OPEN_INPUT_POINTER", "OPEN_PARAM_POINTER"});
  // Lists with one code for the handle pointer use it for a null record too.
  if (c.init_pointer == 0) c.init_pointer = e.required({"OPEN_INPUT_HANDLE", "OPEN_HANDLE"});
  c.mem_pointer = e.one_of({"OPEN_INPUT_MEMHANDLE", "OPEN_MEMHANDLE"});
  c.handle_malloc =
      e.required({"OPEN_MALLOC", "HANDLE_MEM_MALLOC", "INIT_HANDLE_MEM_MALLOC",
                  "INIT_HANDLE_MEM_MALLOC_ERROR", "MALLOC_MEMORY", "OPEN_MALLOC_HANDLE"});
  if (keeps.fast_scratch) {
    c.fast_scratch = e.required({"OPEN_MALLOC_FAST_SCRATCH", "MALLOC_FAST_SCRATCH",
                                 "FAST_SCRATCH_MEM_MALLOC", "FAST_SCRATH"});
  }
  if (keeps.dma) c.dma = e.required({"OPEN_GET_DMA_HANDLE", "GET_DMA_HANDLE", "DMA_HANDLE"});
  c.close_pointer =
      e.required({"CLOSE_INPUT_HANDLE", "CLOSE_POINTER", "CLOSE_HANDLE", "CLOSE_INPUT_POINTER"});
  c.close_mem_pointer = e.one_of(
      {"CLOSE_INPUT_MEMHANDLE", "CLOSE_MEM_POINTER", "CLOSE_MEMHANDLE", "CLOSE_MEMHANDLE_POINTER"});
  if (c.close_mem_pointer == 0) c.close_mem_pointer = c.close_pointer;
  c.close_free = e.one_of({"CLOSE_FREE", "FREE_MEMORY"});
  c.setparam_handle = e.one_of({"SETPARAM_INPUT_HANDLE", "SETPARAM_POINTER", "SETPARAM_HANDLE",
                                "SET_PARAM_HANDLE", "SETPARAM_INPUT_POINTER"});
  c.setparam_param = e.one_of({"SETPARAM_INPUT_PARAM", "SET_PARAM_PARAM"});
  c.status_handle = e.one_of({"GETSTATUS_INPUT_HANDLE", "STATUS_POINTER", "GETSTATUS_HANDLE",
                              "STATUS_INPUT_POINTER", "STATUS_INPUT_POINTE", "GET_STATUS_HANDLE"});
  c.status_param = e.one_of({"GETSTATUS_INPUT_PARAM"});
  return c;
}

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

// True when any of the pointers is null: the first check of a Process that has one code for
// every missing pointer.
template <class... P>
constexpr bool any_null(const P*... pointers) {
  return ((pointers == nullptr) || ...);
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

template <class M>
void run_global_init() {
  if constexpr (requires { M::global_init(); }) M::global_init();
}

// select, for modules whose choice cannot fail as for those that report a refusal.
template <class M>
uint32_t run_select(typename M::Instance& inst, const typename M::Param& p) {
  if constexpr (std::is_void_v<decltype(M::select(inst, p))>) {
    M::select(inst, p);
    return PF_STATUS_OK;
  } else {
    return M::select(inst, p);
  }
}

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
  run_global_init<M>();

  auto* inst = static_cast<Instance*>(
      vmem_malloc(mem, sizeof(Instance), kInstanceAlign, M::kSource, __LINE__));
  if (inst == nullptr) return M::kCodes.handle_malloc;
  std::memset(static_cast<void*>(inst), 0, sizeof(Instance));
  inst->hMem = mem;

  if constexpr (select_first<M>()) {
    if (const uint32_t error = run_select<M>(*inst, p)) {
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
    if (const uint32_t error = run_select<M>(*inst, p)) {
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

// SetParam: the pointer checks, then the module's `set`, or its checks (validate_set, else
// Open's validate) and select on the instance. Nothing is allocated again.
template <class M>
uint32_t set_param(void* handle, const void* param) {
  constexpr FrameCodes kCodes = M::kCodes;
  static_assert(kCodes.setparam_handle != 0, "the module names no SetParam pointer code");
  if (handle == nullptr) return kCodes.setparam_handle;
  if (param == nullptr) {
    return kCodes.setparam_param != 0 ? kCodes.setparam_param : kCodes.setparam_handle;
  }
  auto& inst = *static_cast<typename M::Instance*>(handle);
  const auto& p = *static_cast<const typename M::Param*>(param);
  if constexpr (requires { M::set(inst, p); }) {
    return M::set(inst, p);
  } else {
    if constexpr (requires { M::validate_set(p); }) {
      if (const uint32_t error = M::validate_set(p)) return error;
    } else {
      if (const uint32_t error = M::validate(p)) return error;
    }
    return run_select<M>(inst, p);
  }
}

// GetStatus: the pointer checks, then the parameters in force in the record's layout.
template <class M>
uint32_t get_status(void* handle, void* record) {
  constexpr FrameCodes kCodes = M::kCodes;
  static_assert(kCodes.status_handle != 0, "the module names no GetStatus pointer code");
  if (handle == nullptr) return kCodes.status_handle;
  if (record == nullptr) {
    return kCodes.status_param != 0 ? kCodes.status_param : kCodes.status_handle;
  }
  const auto& inst = *static_cast<const typename M::Instance*>(handle);
  auto& out = *static_cast<typename M::Param*>(record);
  if constexpr (requires { M::status(inst, out); }) {
    M::status(inst, out);
  } else {
    out = inst.tParam;
  }
  return PF_STATUS_OK;
}

}  // namespace pf

// The exported entry points a module defines through the frame. Each expands at global scope in
// the module's source file; `M` is the module's traits struct.
#define PF_OPEN_CLOSE(prefix, M)                                              \
  extern "C" {                                                                \
  uint32_t prefix##Open_c(void** phHandle, const void* pParam, void* hMem) {  \
    return ::pf::open<M>(phHandle, pParam, hMem);                             \
  }                                                                           \
  uint32_t prefix##Close_c(void* hHandle) { return ::pf::close<M>(hHandle); } \
  }

#define PF_SET_PARAM(prefix, M)                                               \
  extern "C" uint32_t prefix##SetParam_c(void* hHandle, const void* pParam) { \
    return ::pf::set_param<M>(hHandle, pParam);                               \
  }

#define PF_GET_STATUS(prefix, M)                                          \
  extern "C" uint32_t prefix##GetStatus_c(void* hHandle, void* pStatus) { \
    return ::pf::get_status<M>(hHandle, pStatus);                         \
  }

// GetVersion from M::kVersion, with the date and time of the file the macro expands in, and
// AnalyzeErrorCode from M::kErrors.
#define PF_GET_VERSION(prefix, M)                                           \
  extern "C" uint32_t prefix##GetVersion_c(char* ps8Buf, int32_t s32BufLen, \
                                           uint32_t* pu32TextLen) {         \
    return PF_WRITE_VERSION(M::kVersion, ps8Buf, s32BufLen, pu32TextLen);   \
  }
#define PF_ANALYZE_ERROR_CODE(prefix, M)                                              \
  extern "C" uint32_t prefix##AnalyzeErrorCode_c(uint32_t u32Code, int32_t s32BufLen, \
                                                 char* ps8Buf) {                      \
    return ::pf::analyze_error_code(M::kErrors, u32Code, s32BufLen, ps8Buf);          \
  }
#define PF_NAMES_AND_VERSION(prefix, M) \
  PF_GET_VERSION(prefix, M)             \
  PF_ANALYZE_ERROR_CODE(prefix, M)

// The six entry points a module without a particular Open, Close, SetParam or GetStatus shares.
#define PF_ENTRY_POINTS(prefix, M) \
  PF_OPEN_CLOSE(prefix, M)         \
  PF_SET_PARAM(prefix, M)          \
  PF_GET_STATUS(prefix, M)         \
  PF_NAMES_AND_VERSION(prefix, M)

// The function table in slot order; `debug` and `get_mem_size` for the modules whose Debug or
// GetMemSize is not named after the prefix.
#define PF_FUNCTION_TABLE_WITH(table, prefix, debug, get_mem_size) \
  extern "C" const tImgProcFuncList table = {                      \
      prefix##Open_c,                                              \
      prefix##Process_c,                                           \
      prefix##Close_c,                                             \
      prefix##SetParam_c,                                          \
      prefix##GetVersion_c,                                        \
      prefix##GetStatus_c,                                         \
      prefix##AnalyzeErrorCode_c,                                  \
      debug,                                                       \
      get_mem_size,                                                \
  };
#define PF_FUNCTION_TABLE(table, prefix) \
  PF_FUNCTION_TABLE_WITH(table, prefix, prefix##Debug_c, prefix##GetMemSize_c)

#endif  // PELFORGE_SOURCE_COMMON_FRAME_HPP_
