// SPDX-License-Identifier: BSD-2-Clause
// PfFilter: the base of the elements that run one module on each picture in place (filters and
// overlays). The element's C++ side, a FilterImpl, opens its module for the negotiated pictures,
// runs it on each one and takes new property values between pictures; the base negotiates,
// posts the module's refusals on the bus and closes everything in stop. The implementation holds
// the property values (filter_field), which start from the element's property table.
#ifndef PELFORGE_GST_FILTER_BASE_HPP_
#define PELFORGE_GST_FILTER_BASE_HPP_

#include <gst/video/gstvideofilter.h>

#include <atomic>
#include <mutex>
#include <span>
#include <string>
#include <type_traits>

#include "common.hpp"

namespace pfgst {

// Text properties are set from the application's thread and read from the streaming thread.
class SharedText {
 public:
  void set(const char* text) {
    std::lock_guard lock(mutex_);
    text_ = text != nullptr ? text : "";
  }
  std::string get() const {
    std::lock_guard lock(mutex_);
    return text_;
  }

 private:
  mutable std::mutex mutex_;
  std::string text_;
};

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

  // Set by property setters so that the next picture reconfigures.
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

// The element's implementation, owned by the element.
FilterImpl* filter_impl(gpointer element);
// The subclass's instance init: its implementation, given the properties' defaults.
void init_filter(gpointer element, FilterImpl* impl, std::span<const Property> properties);
// Marks the implementation for reconfiguration before the next picture.
void filter_changed(gpointer element);

// The class of an in-place element: its properties, "sink" and "src" templates of `caps` (none
// when null: the element adds its own) and its metadata.
void init_filter_class(gpointer klass, std::span<const Property> properties, GstCaps* caps,
                       const char* longname, const char* classification, const char* description);

namespace detail {

template <auto Member>
auto& filter_value(GObject* object) {
  using Impl = typename MemberOf<decltype(Member)>::Class;
  return static_cast<Impl*>(filter_impl(object))->*Member;
}

template <auto Member>
void set_filter(GObject* object, const GValue* value) {
  auto& field = filter_value<Member>(object);
  using Field = std::remove_reference_t<decltype(field)>;
  if constexpr (std::is_same_v<Field, SharedText>) {
    field.set(g_value_get_string(value));
  } else {
    field = static_cast<typename Field::value_type>(number_of(value));
  }
  filter_changed(object);
}

template <auto Member>
void get_filter(GObject* object, GValue* value) {
  const auto& field = filter_value<Member>(object);
  if constexpr (std::is_same_v<std::remove_cvref_t<decltype(field)>, SharedText>) {
    g_value_set_string(value, field.get().c_str());
  } else {
    set_number(value, static_cast<gint64>(field.load()));
  }
}

}  // namespace detail

// A value in the element's implementation (an atomic number or a SharedText), read by the
// streaming thread; setting it reconfigures the module before the next picture.
template <auto Member>
constexpr Access filter_field() {
  return {detail::set_filter<Member>, detail::get_filter<Member>};
}

}  // namespace pfgst

#endif  // PELFORGE_GST_FILTER_BASE_HPP_
