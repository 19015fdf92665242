// SPDX-License-Identifier: BSD-2-Clause
// Memory handle, module instances and status names.
#include "modules.hpp"

#include <cstdio>

#include "video_mem.h"

namespace pf::cli {

MemHandle::MemHandle() : handle_(VideoMemCreate()) {
  if (handle_ == nullptr) throw CliError("the video memory service gave no memory handle");
}

MemHandle::~MemHandle() { VideoMemDestroy(handle_); }

const tImgProcFuncList& module_table(uint32_t module_id) {
  const tImgProcFuncList* table = VekVideoPelForgeGetFuncList(module_id);
  if (table == nullptr) {
    throw CliError("module " + std::to_string(module_id) + " is not registered in this library");
  }
  return *table;
}

std::string module_name(uint32_t module_id) {
  // The registry holds exactly the modules the lookup finds, so their count bounds the array.
  size_t count = 0;
  for (uint32_t id = 0; id < 256; ++id) {
    if (VekVideoPelForgeGetFuncList(id) != nullptr) ++count;
  }
  for (size_t i = 0; i < count; ++i) {
    if (gaptPelForgePrcList[i]->u32ModuleId == module_id) return gaptPelForgePrcList[i]->ps8Name;
  }
  return "module " + std::to_string(module_id);
}

std::string hex_code(uint32_t code) {
  char buf[16];
  std::snprintf(buf, sizeof(buf), "0x%08X", code);
  return buf;
}

std::string status_text(const tImgProcFuncList& table, uint32_t code) {
  char name[256] = {};
  std::string text = hex_code(code);
  if (table.AnalyzeErrorCode(code, static_cast<int32_t>(sizeof(name)), name) == PF_STATUS_OK) {
    text += " ";
    text += name;
  }
  return text;
}

Instance::Instance(uint32_t module_id, const void* param, void* mem)
    : id_(module_id), table_(&module_table(module_id)) {
  const uint32_t status = table_->Open(&handle_, param, mem);
  if (status != PF_STATUS_OK) {
    handle_ = nullptr;
    throw ModuleError(module_name(id_) + " refused to open: " + status_text(*table_, status),
                      status);
  }
}

Instance::~Instance() {
  if (handle_ != nullptr) table_->Close(handle_);
}

void Instance::process(void* input, void* output) {
  const uint32_t status = table_->Process(handle_, input, output);
  if (status != PF_STATUS_OK) {
    throw ModuleError(
        module_name(id_) + " could not process a picture: " + status_text(*table_, status), status);
  }
}

void Instance::set_param(const void* param) {
  const uint32_t status = table_->SetParam(handle_, param);
  if (status != PF_STATUS_OK) {
    throw ModuleError(module_name(id_) + " refused the parameters: " + status_text(*table_, status),
                      status);
  }
}

}  // namespace pf::cli
