// SPDX-License-Identifier: BSD-2-Clause
// What every pelforge element shares: the memory service handle, module instances driven through
// their function tables, bus errors that carry a module's status code and name, the mapping
// between GStreamer's raw formats and the library's YUV type codes, and contiguous copies of
// pictures for the modules that take planes without pitches.
#ifndef PELFORGE_GST_COMMON_HPP_
#define PELFORGE_GST_COMMON_HPP_

#include <gst/gst.h>
#include <gst/video/video.h>

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "pelforge.h"
#include "properties.hpp"

namespace pfgst {

// One handle of the video memory service, for the instances of one element.
class MemHandle {
 public:
  MemHandle();
  ~MemHandle();
  MemHandle(const MemHandle&) = delete;
  MemHandle& operator=(const MemHandle&) = delete;
  void* get() const { return handle_; }

 private:
  void* handle_;
};

// A module instance reached through the module's function table, closed when it goes.
class Module {
 public:
  Module(const tImgProcFuncList& table, const char* name) : table_(&table), name_(name) {}
  ~Module() { close(); }
  Module(const Module&) = delete;
  Module& operator=(const Module&) = delete;

  // Opens a new instance (closing any open one first); the status as the module gave it.
  uint32_t open(const void* param, void* mem);
  uint32_t process(void* input, void* output) { return table_->Process(handle_, input, output); }
  uint32_t set_param(const void* param) { return table_->SetParam(handle_, param); }
  uint32_t debug(void* arg) { return table_->Debug(handle_, arg); }
  void close();
  bool is_open() const { return handle_ != nullptr; }
  // For the exported entry points outside the table (ProcessPrivate).
  void* handle() const { return handle_; }
  const char* name() const { return name_; }
  // "0xC6A0001A ERR_IMG_RESIZER_FILLLINE_ILLEGAL", or the bare code when nothing names it.
  std::string status_text(uint32_t code) const;
  // The symbolic name alone, or "" when the module's table names no such code.
  std::string error_name(uint32_t code) const;

 private:
  const tImgProcFuncList* table_;
  const char* name_;
  void* handle_ = nullptr;
};

// Posts an error message: `what` in the text, the module's code and symbolic name in the
// message's details ("pelforge-module", "pelforge-code", "pelforge-error").
void post_module_error(GstElement* element, const Module& module, uint32_t code,
                       const std::string& what);

// The library's YUV type code of a GStreamer raw format, 0 for formats the library lacks.
uint32_t yuv_type_of(GstVideoFormat format);
// The library's image type for pictures of this interlace mode and buffer: frames for
// progressive pictures, interlaced frames (each field processed on its own) otherwise.
uint32_t image_type_of(const GstVideoInfo* info, const GstBuffer* buffer);

// Caps structure "video/x-raw" with the given formats and even sizes from 2 to the limits.
GstCaps* raw_caps(const std::vector<const char*>& formats, int max_width, int max_height,
                  int width_step = 2, int height_step = 2, bool interlaced_too = true);

// A picture as the library's one-buffer modules take it: planes back to back without padding.
struct Contiguous {
  int planes = 0;
  size_t offset[3] = {};
  size_t row_bytes[3] = {};
  int rows[3] = {};
  size_t size = 0;
};
Contiguous contiguous_layout(GstVideoFormat format, int width, int height);

// Copies between a contiguous picture and a mapped frame of the same format and size.
void copy_from_frame(const GstVideoFrame* frame, const Contiguous& layout, uint8_t* picture);
void copy_into_frame(const uint8_t* picture, const Contiguous& layout, GstVideoFrame* frame);

// Hands a module the picture of a mapped frame in the contiguous layout: the frame's own memory
// when it is laid out so already, otherwise a copy that `finish` writes back.
class ContiguousPicture {
 public:
  void configure(const GstVideoInfo* info);
  // The contiguous picture of `frame` (copied in when the frame has pitches of its own).
  uint8_t* begin(const GstVideoFrame* frame);
  // Copies a staged picture back into `frame`; nothing when the frame was used directly.
  void finish(GstVideoFrame* frame);
  const Contiguous& layout() const { return layout_; }
  bool staged() const { return staged_; }

 private:
  Contiguous layout_;
  std::vector<uint8_t> copy_;
  bool staged_ = false;
};

// The picture record of a mapped frame for the modules that take plane pointers and pitches
// (pitches of packed formats count pixels when `packed_in_pixels`).
tImgPicture picture_of(const GstVideoFrame* frame, bool packed_in_pixels);
// True when picture_of can describe the frame: the chroma planes share one pitch and packed
// pitches are whole pixels.
bool describable(const GstVideoFrame* frame);

// The composing elements' request pads as children, so that pad properties can be set as
// sink_0::focus=true on a command line: the interface init for GstChildProxy, and what
// request_new_pad and release_pad add to the parent class's.
void sink_pads_as_children(gpointer iface, gpointer data);
GstPad* request_child_pad(GstElementClass* parent, GstElement* element, GstPadTemplate* templ,
                          const gchar* name, const GstCaps* caps);
void release_child_pad(GstElementClass* parent, GstElement* element, GstPad* pad);

}  // namespace pfgst

#endif  // PELFORGE_GST_COMMON_HPP_
