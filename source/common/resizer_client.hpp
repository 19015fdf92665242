// SPDX-License-Identifier: BSD-2-Clause
// Modules that do their work through a private resizer instance: the resizer's parameter record
// they keep, and opening, re-setting and closing the resizer through its exported entry points.
//
// The frame takes the module's instance, then (acquire) the resizer's record, then (select) the
// resizer itself, and gives them back newest first; release returns the resizer's Close status,
// which Close passes on (frame.hpp).
#ifndef PELFORGE_SOURCE_COMMON_RESIZER_CLIENT_HPP_
#define PELFORGE_SOURCE_COMMON_RESIZER_CLIENT_HPP_

#include <cstdint>

#include "img_resizer.h"

namespace pf {

// Takes a zeroed resizer parameter record from the memory service; `malloc_code` when it has
// none.
uint32_t acquire_resizer_record(void* mem, tImageResizerParam*& record, const char* source,
                                uint32_t malloc_code);

// Stores p in the record and opens the resizer on it; the resizer's status comes back unchanged.
uint32_t open_resizer(void* mem, void*& resizer, tImageResizerParam& record,
                      const tImageResizerParam& p);

// Hands p to the resizer's SetParam and returns its status unchanged. A refusal leaves the
// resizer and the record as they were: the resizer takes a new geometry before it looks for a
// kernel, and a refused geometry left behind with the old kernel would make the next picture
// read and write by sizes the caller's buffers were not made for.
uint32_t reset_resizer(void* resizer, tImageResizerParam& record, const tImageResizerParam& p);

// Closes the resizer (when open) and frees the record (when taken); both are null afterwards.
// Returns the resizer's Close status, or the record's release status when that succeeded.
uint32_t release_resizer(void* mem, void*& resizer, tImageResizerParam*& record,
                         const char* source);

// GetMemSize of such a module: the resizer's size for the record plus the module's own bytes.
// A refusal of the resizer's comes back unchanged and leaves *size alone.
uint32_t resizer_mem_size(const tImageResizerParam& record, uint32_t own_bytes, uint32_t* size);

// The instance of such a module: the memory handle, the resizer and its record, and the
// module's own parameters as last accepted.
template <class Param>
struct ResizerClientInstance {
  void* hMem;
  void* hResizer;
  tImageResizerParam* ptResizerParam;
  Param tParam;
};

// The frame steps such a module shares. M derives from ResizerClient<M, Param> and gives
// kSource, kCodes (frame codes; handle_malloc also covers the resizer's record), kOwnBytes (what
// GetMemSize adds to the resizer's size), validate(p) and resizer_record(p), the resizer
// parameters that p stands for.
template <class M, class P>
struct ResizerClient {
  using Param = P;
  using Instance = ResizerClientInstance<P>;

  // No global_init: the resizer runs its own dispatch.
  static uint32_t acquire(Instance& inst) {
    return acquire_resizer_record(inst.hMem, inst.ptResizerParam, M::kSource,
                                  M::kCodes.handle_malloc);
  }
  static uint32_t release(Instance& inst) {
    return release_resizer(inst.hMem, inst.hResizer, inst.ptResizerParam, M::kSource);
  }
  static uint32_t select(Instance& inst, const Param& p) {
    const uint32_t status =
        open_resizer(inst.hMem, inst.hResizer, *inst.ptResizerParam, M::resizer_record(p));
    if (status == PF_STATUS_OK) inst.tParam = p;
    return status;
  }
  // SetParam once its pointers are checked: the module's checks, then the resizer's.
  static uint32_t set(Instance& inst, const Param& p) {
    if (const uint32_t error = M::validate(p)) return error;
    const uint32_t status =
        reset_resizer(inst.hResizer, *inst.ptResizerParam, M::resizer_record(p));
    if (status == PF_STATUS_OK) inst.tParam = p;
    return status;
  }
  // GetMemSize once its pointers are checked. It answers for records Open would accept, so a
  // host sizes memory only for what can run; the resizer's own checks are left to Open.
  static uint32_t mem_size(const void* param, uint32_t* size) {
    const auto& p = *static_cast<const Param*>(param);
    if (const uint32_t error = M::validate(p)) return error;
    return resizer_mem_size(M::resizer_record(p), M::kOwnBytes, size);
  }
  static const Param& param_of(void* handle) {
    return static_cast<const Instance*>(handle)->tParam;
  }
  static void* resizer_of(void* handle) { return static_cast<const Instance*>(handle)->hResizer; }
};

}  // namespace pf

#endif  // PELFORGE_SOURCE_COMMON_RESIZER_CLIENT_HPP_
