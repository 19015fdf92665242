// SPDX-License-Identifier: BSD-2-Clause
// PfFilter: the base of the elements that run one module on each picture in place (filters and
// overlays). The element's C++ side, a FilterImpl, opens its module for the negotiated pictures,
// runs it on each one and takes new property values between pictures; the base negotiates,
// posts the module's refusals on the bus and closes everything in stop.
#ifndef PELFORGE_GST_FILTER_BASE_HPP_
#define PELFORGE_GST_FILTER_BASE_HPP_

#include <gst/video/gstvideofilter.h>

#include <atomic>
#include <string>

#include "common.hpp"

namespace pfgst {

class FilterImpl {
 public:
  virtual ~FilterImpl() = default;
  // Opens the module(s) for pictures of `info`. On a refusal returns the code and sets
  // `refused` to the module that gave it.
  virtual uint32_t open(const GstVideoInfo* info, void* mem, const Module** refused) = 0;
  // Runs on one mapped, writable picture; the code and `failed` as for open.
  virtual uint32_t process(GstVideoFrame* frame, const Module** failed) = 0;
  // Takes the properties set since the last picture. By default the module is opened anew.
  virtual uint32_t reconfigure(const GstVideoInfo* info, void* mem, const Module** refused) {
    return open(info, mem, refused);
  }
  virtual void close() = 0;
  // True when the pictures of `info` leave unchanged (the element then only looks at them).
  virtual bool passthrough(const GstVideoInfo*) const { return false; }
  // What the element does, for the messages of a refusal ("cannot denoise").
  virtual std::string action() const = 0;

  // A refusal that is not a module's (a file that cannot be read, a malformed property): open
  // returns kNotModule, leaves `refused` null and says what is wrong here.
  static constexpr uint32_t kNotModule = 1;
  std::string error_text;

  // Set by property setters (under the object lock) so that the next picture reconfigures.
  std::atomic<bool> changed{false};
};

}  // namespace pfgst

G_BEGIN_DECLS
#define PF_TYPE_FILTER (pf_filter_get_type())
G_DECLARE_DERIVABLE_TYPE(PfFilter, pf_filter, PF, FILTER, GstVideoFilter)

struct _PfFilterClass {
  GstVideoFilterClass parent_class;
};
G_END_DECLS

namespace pfgst {

// The element's implementation, owned by the element (set in the subclass's init).
FilterImpl* filter_impl(gpointer element);
void set_filter_impl(gpointer element, FilterImpl* impl);
// Pad templates of an in-place element for these formats.
void add_filter_templates(GstElementClass* klass, GstCaps* caps);
// Marks the implementation for reconfiguration before the next picture.
void filter_changed(gpointer element);

}  // namespace pfgst

#endif  // PELFORGE_GST_FILTER_BASE_HPP_
