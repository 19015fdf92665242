// SPDX-License-Identifier: BSD-2-Clause
// Running pipelines and the pelforge command line for the element tests: pictures come back
// from an appsink as contiguous bytes (planes back to back, padding dropped), so that they
// compare with the command line's raw files whatever strides the buffers had.
#ifndef PELFORGE_GST_TESTS_GST_SUPPORT_HPP_
#define PELFORGE_GST_TESTS_GST_SUPPORT_HPP_

#include <gst/gst.h>

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

namespace pfgst_test {

struct StructureFree {
  void operator()(GstStructure* s) const { gst_structure_free(s); }
};
using Structure = std::unique_ptr<GstStructure, StructureFree>;

struct RunResult {
  std::vector<std::vector<uint8_t>> frames;  // contiguous pictures, in order
  std::string caps;                          // the appsink's negotiated caps
  std::vector<guint32> buffer_flags;         // GstBuffer flags of each picture
  std::string error;                         // the first error message's text, or empty
  Structure error_details;                   // its details
  std::vector<Structure> element_messages;
  bool eos = false;

  std::vector<uint8_t> bytes() const;  // all frames back to back
};

// Runs `description`, which ends in an element named "out" (an appsink is appended when it
// does not), to EOS or the first error, within `timeout_s` seconds.
RunResult run(const std::string& description, int timeout_s = 30);

// The pelforge command line, given as PF_CLI at build time; returns its exit status.
int cli(const std::string& arguments);
// What the command line writes on standard output.
std::string cli_output(const std::string& arguments);

std::string temp_path(const std::string& name);
void write_file(const std::string& path, const std::vector<uint8_t>& bytes);
std::vector<uint8_t> read_file(const std::string& path);

}  // namespace pfgst_test

#endif  // PELFORGE_GST_TESTS_GST_SUPPORT_HPP_
