// SPDX-License-Identifier: BSD-2-Clause
#include "resizer_client.hpp"

#include <cstring>

#include "frame.hpp"

namespace pf {

uint32_t acquire_resizer_record(void* mem, tImageResizerParam*& record, const char* source,
                                uint32_t malloc_code) {
  record = static_cast<tImageResizerParam*>(
      vmem_malloc(mem, sizeof(tImageResizerParam), kInstanceAlign, source, __LINE__));
  if (record == nullptr) return malloc_code;
  std::memset(static_cast<void*>(record), 0, sizeof(tImageResizerParam));
  return PF_STATUS_OK;
}

uint32_t open_resizer(void* mem, void*& resizer, tImageResizerParam& record,
                      const tImageResizerParam& p) {
  record = p;
  return ImageResizerOpen_c(&resizer, &record, mem);
}

uint32_t reset_resizer(void* resizer, tImageResizerParam& record, const tImageResizerParam& p) {
  const tImageResizerParam accepted = record;
  record = p;
  const uint32_t status = ImageResizerSetParam_c(resizer, &record);
  if (status != PF_STATUS_OK) {
    // What the resizer accepted once it accepts again.
    record = accepted;
    ImageResizerSetParam_c(resizer, &record);
  }
  return status;
}

uint32_t release_resizer(void* mem, void*& resizer, tImageResizerParam*& record,
                         const char* source) {
  uint32_t status = PF_STATUS_OK;
  if (resizer != nullptr) status = ImageResizerClose_c(resizer);
  resizer = nullptr;
  if (record != nullptr) {
    const uint32_t freed = vmem_free(mem, record, source, __LINE__);
    if (status == PF_STATUS_OK) status = freed;
  }
  record = nullptr;
  return status;
}

uint32_t resizer_mem_size(const tImageResizerParam& record, uint32_t own_bytes, uint32_t* size) {
  uint32_t resizer_bytes = 0;
  if (const uint32_t error = ImageResizerGetMemSize_c(&record, &resizer_bytes)) return error;
  *size = resizer_bytes + own_bytes;
  return PF_STATUS_OK;
}

}  // namespace pf
