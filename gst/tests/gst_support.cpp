// SPDX-License-Identifier: BSD-2-Clause
// Pipelines to contiguous pictures, and the command line.
#include "gst_support.hpp"

#include <gst/app/gstappsink.h>
#include <gst/video/video.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>

namespace pfgst_test {

std::vector<uint8_t> RunResult::bytes() const {
  std::vector<uint8_t> all;
  for (const auto& f : frames) all.insert(all.end(), f.begin(), f.end());
  return all;
}

namespace {

// The picture without the padding of its strides.
std::vector<uint8_t> contiguous(GstSample* sample) {
  GstVideoInfo info;
  gst_video_info_from_caps(&info, gst_sample_get_caps(sample));
  GstVideoFrame frame;
  std::vector<uint8_t> out;
  if (!gst_video_frame_map(&frame, &info, gst_sample_get_buffer(sample), GST_MAP_READ)) return out;
  for (guint p = 0; p < GST_VIDEO_FRAME_N_PLANES(&frame); ++p) {
    gint comps[GST_VIDEO_MAX_COMPONENTS];
    gst_video_format_info_component(info.finfo, p, comps);
    const auto row = static_cast<size_t>(GST_VIDEO_FRAME_COMP_WIDTH(&frame, comps[0]) *
                                         GST_VIDEO_FRAME_COMP_PSTRIDE(&frame, comps[0]));
    const int rows = GST_VIDEO_FRAME_COMP_HEIGHT(&frame, comps[0]);
    const auto* data = static_cast<const uint8_t*>(GST_VIDEO_FRAME_PLANE_DATA(&frame, p));
    const auto stride = static_cast<size_t>(GST_VIDEO_FRAME_PLANE_STRIDE(&frame, p));
    for (int r = 0; r < rows; ++r) {
      out.insert(out.end(), data + static_cast<size_t>(r) * stride,
                 data + static_cast<size_t>(r) * stride + row);
    }
  }
  gst_video_frame_unmap(&frame);
  return out;
}

// Takes what the bus holds; true once the pipeline ended (EOS or error).
bool drain(GstBus* bus, RunResult& r) {
  bool ended = false;
  while (GstMessage* m = gst_bus_pop(bus)) {
    switch (GST_MESSAGE_TYPE(m)) {
      case GST_MESSAGE_ERROR:
        if (r.error.empty()) {
          GError* err = nullptr;
          gst_message_parse_error(m, &err, nullptr);
          r.error = err != nullptr ? err->message : "error";
          g_clear_error(&err);
          const GstStructure* details = nullptr;
          gst_message_parse_error_details(m, &details);
          if (details != nullptr) r.error_details.reset(gst_structure_copy(details));
        }
        ended = true;
        break;
      case GST_MESSAGE_EOS:
        r.eos = true;
        ended = true;
        break;
      case GST_MESSAGE_ELEMENT:
        if (const GstStructure* s = gst_message_get_structure(m)) {
          r.element_messages.emplace_back(gst_structure_copy(s));
        }
        break;
      default:
        break;
    }
    gst_message_unref(m);
  }
  return ended;
}

}  // namespace

RunResult run(const std::string& description, int timeout_s) {
  RunResult r;
  std::string text = description;
  if (text.find("name=out") == std::string::npos) text += " ! appsink name=out";
  GError* err = nullptr;
  GstElement* pipeline = gst_parse_launch(text.c_str(), &err);
  if (err != nullptr) {
    r.error = std::string("parse: ") + err->message;
    g_clear_error(&err);
    if (pipeline != nullptr) gst_object_unref(pipeline);
    return r;
  }
  GstElement* sink = gst_bin_get_by_name(GST_BIN(pipeline), "out");
  g_object_set(sink, "sync", FALSE, nullptr);
  GstBus* bus = gst_element_get_bus(pipeline);
  gst_element_set_state(pipeline, GST_STATE_PLAYING);
  const gint64 deadline = g_get_monotonic_time() + gint64{timeout_s} * G_USEC_PER_SEC;
  bool ended = false;
  while (g_get_monotonic_time() < deadline) {
    GstSample* sample = gst_app_sink_try_pull_sample(GST_APP_SINK(sink), 20 * GST_MSECOND);
    if (sample != nullptr) {
      if (r.caps.empty()) {
        gchar* caps = gst_caps_to_string(gst_sample_get_caps(sample));
        r.caps = caps;
        g_free(caps);
      }
      r.frames.push_back(contiguous(sample));
      r.buffer_flags.push_back(GST_BUFFER_FLAGS(gst_sample_get_buffer(sample)));
      gst_sample_unref(sample);
      continue;
    }
    ended = drain(bus, r) || ended;
    if (ended) break;
  }
  drain(bus, r);
  if (!ended && !r.eos && r.error.empty()) r.error = "timed out";
  gst_element_set_state(pipeline, GST_STATE_NULL);
  drain(bus, r);
  gst_object_unref(bus);
  gst_object_unref(sink);
  gst_object_unref(pipeline);
  return r;
}

int cli(const std::string& arguments) {
  const std::string command = std::string(PF_CLI) + " " + arguments + " -q > /dev/null 2>&1";
  const int status = std::system(command.c_str());
  return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

std::string cli_output(const std::string& arguments) {
  const std::string path = temp_path("stdout.txt");
  const std::string command = std::string(PF_CLI) + " " + arguments + " -q > " + path + " 2>&1";
  if (std::system(command.c_str()) != 0) return "";
  const std::vector<uint8_t> bytes = read_file(path);
  return {bytes.begin(), bytes.end()};
}

namespace {

// Each test runs in a process of its own (ctest), so a process's files carry its pid and go
// when it exits: the work directory does not grow with every run.
void remove_own_files() {
  const std::string prefix = std::to_string(getpid()) + "_";
  std::error_code ec;
  for (const auto& entry : std::filesystem::directory_iterator(PF_GST_TEST_DIR, ec)) {
    if (entry.path().filename().string().rfind(prefix, 0) == 0) {
      std::filesystem::remove(entry.path(), ec);
    }
  }
}

}  // namespace

std::string temp_path(const std::string& name) {
  static const bool registered = [] {
    mkdir(PF_GST_TEST_DIR, 0755);
    return std::atexit(remove_own_files) == 0;
  }();
  (void)registered;
  return std::string(PF_GST_TEST_DIR) + "/" + std::to_string(getpid()) + "_" + name;
}

void write_file(const std::string& path, const std::vector<uint8_t>& bytes) {
  std::ofstream out(path, std::ios::binary);
  out.write(reinterpret_cast<const char*>(bytes.data()),
            static_cast<std::streamsize>(bytes.size()));
}

std::vector<uint8_t> read_file(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

}  // namespace pfgst_test
