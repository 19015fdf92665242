// SPDX-License-Identifier: BSD-2-Clause
// Property tables: installing them and serving them.
#include "properties.hpp"

#include <mutex>

namespace pfgst {

namespace {

GQuark row_quark() {
  static const GQuark quark = g_quark_from_static_string("pelforge-property");
  return quark;
}

const Property* row_of(GParamSpec* pspec) {
  return static_cast<const Property*>(g_param_spec_get_qdata(pspec, row_quark()));
}

// Every pspec the tables install carries its row; any other reaching these handlers (a subclass
// installing properties of its own without handlers) is not ours to serve.
void set_property(GObject* object, guint id, const GValue* value, GParamSpec* pspec) {
  if (const Property* row = row_of(pspec)) {
    row->access.set(object, value);
  } else {
    G_OBJECT_WARN_INVALID_PROPERTY_ID(object, id, pspec);
  }
}

void get_property(GObject* object, guint id, GValue* value, GParamSpec* pspec) {
  if (const Property* row = row_of(pspec)) {
    row->access.get(object, value);
  } else {
    G_OBJECT_WARN_INVALID_PROPERTY_ID(object, id, pspec);
  }
}

GParamSpec* spec_of(const Property& p) {
  switch (p.kind) {
    case PropKind::kUint:
      return g_param_spec_uint(p.name, p.nick, p.blurb, static_cast<guint>(p.min),
                               static_cast<guint>(p.max), static_cast<guint>(p.fallback), p.flags);
    case PropKind::kInt:
      return g_param_spec_int(p.name, p.nick, p.blurb, static_cast<gint>(p.min),
                              static_cast<gint>(p.max), static_cast<gint>(p.fallback), p.flags);
    case PropKind::kBoolean:
      return g_param_spec_boolean(p.name, p.nick, p.blurb, p.fallback != 0, p.flags);
    case PropKind::kString:
      return g_param_spec_string(p.name, p.nick, p.blurb, p.text, p.flags);
    case PropKind::kEnum:
      return g_param_spec_enum(p.name, p.nick, p.blurb, p.enum_type(),
                               static_cast<gint>(p.fallback), p.flags);
  }
  return nullptr;
}

}  // namespace

gint64 number_of(const GValue* value) {
  switch (G_TYPE_FUNDAMENTAL(G_VALUE_TYPE(value))) {
    case G_TYPE_UINT:
      return g_value_get_uint(value);
    case G_TYPE_INT:
      return g_value_get_int(value);
    case G_TYPE_BOOLEAN:
      return g_value_get_boolean(value);
    case G_TYPE_ENUM:
      return g_value_get_enum(value);
    default:
      g_critical("pelforge: a %s property has no number", G_VALUE_TYPE_NAME(value));
      return 0;
  }
}

void set_number(GValue* value, gint64 number) {
  switch (G_TYPE_FUNDAMENTAL(G_VALUE_TYPE(value))) {
    case G_TYPE_UINT:
      g_value_set_uint(value, static_cast<guint>(number));
      break;
    case G_TYPE_INT:
      g_value_set_int(value, static_cast<gint>(number));
      break;
    case G_TYPE_BOOLEAN:
      g_value_set_boolean(value, number != 0);
      break;
    case G_TYPE_ENUM:
      g_value_set_enum(value, static_cast<gint>(number));
      break;
    default:
      g_critical("pelforge: a %s property has no number", G_VALUE_TYPE_NAME(value));
      break;
  }
}

void install_properties(GObjectClass* klass, std::span<const Property> table) {
  klass->set_property = set_property;
  klass->get_property = get_property;
  guint id = 1;
  for (const Property& row : table) {
    GParamSpec* pspec = spec_of(row);
    g_param_spec_set_qdata(pspec, row_quark(), const_cast<Property*>(&row));
    g_object_class_install_property(klass, id++, pspec);
  }
}

void init_properties(GObject* object, std::span<const Property> table) {
  for (const Property& row : table) {
    GValue value = G_VALUE_INIT;
    switch (row.kind) {
      case PropKind::kString:
        g_value_init(&value, G_TYPE_STRING);
        g_value_set_static_string(&value, row.text);
        break;
      case PropKind::kUint:
        g_value_init(&value, G_TYPE_UINT);
        break;
      case PropKind::kInt:
        g_value_init(&value, G_TYPE_INT);
        break;
      case PropKind::kBoolean:
        g_value_init(&value, G_TYPE_BOOLEAN);
        break;
      case PropKind::kEnum:
        g_value_init(&value, row.enum_type());
        break;
    }
    if (row.kind != PropKind::kString) set_number(&value, row.fallback);
    row.access.set(object, &value);
    g_value_unset(&value);
  }
}

GType enum_type(const char* name, const GEnumValue* values) {
  // Classes of different threads may ask at once; the name registers once.
  static std::mutex mutex;
  std::lock_guard lock(mutex);
  const GType known = g_type_from_name(name);
  return known != 0 ? known : g_enum_register_static(name, values);
}

}  // namespace pfgst
