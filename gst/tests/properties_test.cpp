// SPDX-License-Identifier: BSD-2-Clause
// The properties of every element of the plugin and of the composing elements' request pads, as
// their tables declare them: a new instance holds the defaults gst-inspect shows, and a value
// set reads back without changing any other property (a table row reaching the wrong field).
#include <gst/gst.h>
#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

struct Value {
  GValue v = G_VALUE_INIT;
  explicit Value(GParamSpec* p) { g_value_init(&v, G_PARAM_SPEC_VALUE_TYPE(p)); }
  ~Value() { g_value_unset(&v); }
  Value(const Value&) = delete;
  Value& operator=(const Value&) = delete;
};

// The properties the plugin's own types declare (not those of GStreamer's base classes).
std::vector<GParamSpec*> own_properties(GObject* object) {
  guint n = 0;
  GParamSpec** all = g_object_class_list_properties(G_OBJECT_GET_CLASS(object), &n);
  std::vector<GParamSpec*> own;
  for (guint i = 0; i < n; ++i) {
    if (std::string(g_type_name(all[i]->owner_type)).rfind("Pf", 0) == 0) own.push_back(all[i]);
  }
  g_free(static_cast<void*>(all));
  return own;
}

// A valid value other than the default: the other end of the range, the other truth, another
// enum value, a text.
void other_value(GParamSpec* p, GValue* v) {
  g_param_value_set_default(p, v);
  if (G_IS_PARAM_SPEC_UINT(p)) {
    const auto* u = G_PARAM_SPEC_UINT(p);
    g_value_set_uint(v, u->default_value != u->maximum ? u->maximum : u->minimum);
  } else if (G_IS_PARAM_SPEC_INT(p)) {
    const auto* i = G_PARAM_SPEC_INT(p);
    g_value_set_int(v, i->default_value != i->maximum ? i->maximum : i->minimum);
  } else if (G_IS_PARAM_SPEC_BOOLEAN(p)) {
    g_value_set_boolean(v, !g_value_get_boolean(v));
  } else if (G_IS_PARAM_SPEC_ENUM(p)) {
    const GEnumClass* e = G_PARAM_SPEC_ENUM(p)->enum_class;
    const gint fallback = G_PARAM_SPEC_ENUM(p)->default_value;
    g_value_set_enum(v, e->values[0].value != fallback ? e->values[0].value : e->values[1].value);
  } else if (G_IS_PARAM_SPEC_STRING(p)) {
    g_value_set_string(v, "2,2,4,4");
  } else {
    ADD_FAILURE() << p->name << ": a property type the tables do not make";
  }
}

void check_properties(GObject* object, const std::string& what) {
  const std::vector<GParamSpec*> props = own_properties(object);
  for (GParamSpec* p : props) {
    Value now(p), fallback(p);
    g_object_get_property(object, p->name, &now.v);
    g_param_value_set_default(p, &fallback.v);
    EXPECT_EQ(g_param_values_cmp(p, &now.v, &fallback.v), 0) << what << "::" << p->name;
  }
  for (GParamSpec* p : props) {
    Value set(p), got(p);
    other_value(p, &set.v);
    g_object_set_property(object, p->name, &set.v);
    g_object_get_property(object, p->name, &got.v);
    EXPECT_EQ(g_param_values_cmp(p, &set.v, &got.v), 0) << what << "::" << p->name;
    for (GParamSpec* q : props) {
      if (q == p) continue;
      Value other(q), fallback(q);
      g_object_get_property(object, q->name, &other.v);
      g_param_value_set_default(q, &fallback.v);
      EXPECT_EQ(g_param_values_cmp(q, &other.v, &fallback.v), 0)
          << what << ": setting " << p->name << " changed " << q->name;
    }
    g_param_value_set_default(p, &set.v);
    g_object_set_property(object, p->name, &set.v);
  }
}

TEST(Properties, DefaultsHoldAndValuesReadBackOnEveryElementAndPad) {
  GList* features = gst_registry_get_feature_list_by_plugin(gst_registry_get(), "pelforge");
  int elements = 0, pads = 0;
  for (GList* l = features; l != nullptr; l = l->next) {
    const std::string name = gst_plugin_feature_get_name(GST_PLUGIN_FEATURE(l->data));
    GstElement* element = gst_element_factory_make(name.c_str(), nullptr);
    ASSERT_NE(element, nullptr) << name;
    ++elements;
    check_properties(G_OBJECT(element), name);
    if (gst_element_class_get_pad_template(GST_ELEMENT_GET_CLASS(element), "sink_%u") != nullptr) {
      GstPad* pad = gst_element_request_pad_simple(element, "sink_%u");
      ASSERT_NE(pad, nullptr) << name;
      ++pads;
      check_properties(G_OBJECT(pad), name + " pad");
      gst_element_release_request_pad(element, pad);
      gst_object_unref(pad);
    }
    gst_object_unref(element);
  }
  gst_plugin_feature_list_free(features);
  EXPECT_GE(elements, 14);
  EXPECT_GE(pads, 2);
}

}  // namespace
