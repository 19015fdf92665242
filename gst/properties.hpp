// SPDX-License-Identifier: BSD-2-Clause
// Element and pad properties described once, as data. A class lists its properties in a table
// (name, nick, blurb, type, range, default, flags, and where the value lives); its class_init
// installs the table, and one set_property/get_property pair serves every class through it.
//
// Where a value lives is an Access: a setter and getter pair. locked_field<&Struct::member>()
// keeps it in the object's own struct under the object lock; filter_field (filter_base.hpp)
// keeps it in an in-place element's implementation. A property whose setting does more than
// store writes its own pair.
#ifndef PELFORGE_GST_PROPERTIES_HPP_
#define PELFORGE_GST_PROPERTIES_HPP_

#include <gst/gst.h>

#include <span>

namespace pfgst {

// Flags of every element property: readable, writable, names owned by the element.
inline constexpr GParamFlags kPropFlags =
    static_cast<GParamFlags>(G_PARAM_READWRITE | G_PARAM_STATIC_STRINGS);
// Properties that size or shape the pictures: they apply from the next negotiation on.
inline constexpr GParamFlags kPropFlagsReady =
    static_cast<GParamFlags>(kPropFlags | GST_PARAM_MUTABLE_READY);
// Pad properties an application may drive from a controller while the pipeline runs.
inline constexpr GParamFlags kPropFlagsControllable =
    static_cast<GParamFlags>(kPropFlags | GST_PARAM_CONTROLLABLE);

// Numbers (uint, int, boolean and enum properties) travel between a GValue and storage as
// gint64, which holds every value of each; texts travel as strings.
gint64 number_of(const GValue* value);
void set_number(GValue* value, gint64 number);

struct Access {
  void (*set)(GObject* object, const GValue* value);
  void (*get)(GObject* object, GValue* value);
};

enum class PropKind { kUint, kInt, kBoolean, kString, kEnum };

struct Property {
  const char* name;
  const char* nick;
  const char* blurb;
  PropKind kind;
  gint64 min, max, fallback;  // numbers: the range and the default (booleans: the default)
  const char* text;           // strings: the default
  GType (*enum_type)();       // enums: their type, registered on first use
  GParamFlags flags;
  Access access;
};

constexpr Property uint_property(const char* name, const char* nick, const char* blurb, guint min,
                                 guint max, guint fallback, GParamFlags flags, Access access) {
  return {name, nick, blurb, PropKind::kUint, min, max, fallback, nullptr, nullptr, flags, access};
}
// A colour as 0xRRGGBB (or 0xYYUUVV), the form every colour property takes.
constexpr Property colour_property(const char* name, const char* nick, const char* blurb,
                                   guint fallback, GParamFlags flags, Access access) {
  return uint_property(name, nick, blurb, 0, 0xFFFFFF, fallback, flags, access);
}
constexpr Property int_property(const char* name, const char* nick, const char* blurb, gint min,
                                gint max, gint fallback, GParamFlags flags, Access access) {
  return {name, nick, blurb, PropKind::kInt, min, max, fallback, nullptr, nullptr, flags, access};
}
constexpr Property boolean_property(const char* name, const char* nick, const char* blurb,
                                    bool fallback, GParamFlags flags, Access access) {
  return {name, nick, blurb, PropKind::kBoolean, 0, 1, fallback, nullptr, nullptr, flags, access};
}
constexpr Property string_property(const char* name, const char* nick, const char* blurb,
                                   const char* fallback, GParamFlags flags, Access access) {
  return {name, nick, blurb, PropKind::kString, 0, 0, 0, fallback, nullptr, flags, access};
}
constexpr Property enum_property(const char* name, const char* nick, const char* blurb,
                                 GType (*type)(), gint fallback, GParamFlags flags, Access access) {
  return {name, nick, blurb, PropKind::kEnum, 0, 0, fallback, nullptr, type, flags, access};
}

// Installs `table` (static storage: the pspecs keep pointers to its rows) with property ids
// from 1 in table order, and the class's set_property and get_property that serve them.
void install_properties(GObjectClass* klass, std::span<const Property> table);

// Gives a new instance every property's default, from its instance init: the defaults are then
// written once, in the table, and gst-inspect shows what the instance has.
void init_properties(GObject* object, std::span<const Property> table);

// The enum type `name` of `values` (a static array ending in a zero row), registered once.
GType enum_type(const char* name, const GEnumValue* values);

namespace detail {

template <class M>
struct MemberOf;
template <class C, class T>
struct MemberOf<T C::*> {
  using Class = C;
  using Type = T;
};

template <auto Member>
typename MemberOf<decltype(Member)>::Class& self_of(GObject* object) {
  return *static_cast<typename MemberOf<decltype(Member)>::Class*>(static_cast<void*>(object));
}

template <auto Member>
void set_locked(GObject* object, const GValue* value) {
  using Type = typename MemberOf<decltype(Member)>::Type;
  const auto number = static_cast<Type>(number_of(value));
  GST_OBJECT_LOCK(object);
  self_of<Member>(object).*Member = number;
  GST_OBJECT_UNLOCK(object);
}

template <auto Member>
void get_locked(GObject* object, GValue* value) {
  GST_OBJECT_LOCK(object);
  const auto number = static_cast<gint64>(self_of<Member>(object).*Member);
  GST_OBJECT_UNLOCK(object);
  set_number(value, number);
}

}  // namespace detail

// A number in the instance struct of a GstObject (element or pad), read and written under the
// object's lock, as the streaming thread reads it.
template <auto Member>
constexpr Access locked_field() {
  return {detail::set_locked<Member>, detail::get_locked<Member>};
}

}  // namespace pfgst

#endif  // PELFORGE_GST_PROPERTIES_HPP_
