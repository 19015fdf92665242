// SPDX-License-Identifier: BSD-2-Clause
// The run of a stream verb: inputs, conversions around the verb's stages, output, reports.
#include "stream_verb.hpp"

#include <algorithm>
#include <cstring>

#include "cli_error.hpp"
#include "run.hpp"

namespace pf::cli {
namespace {

// The pictures the verb's first stage receives for an input of format `in`.
VideoFormat taken_format(const StreamVerb& verb, const VideoFormat& in) {
  VideoFormat f = in;
  const bool fmt_ok = verb.formats.empty() ||
                      std::any_of(verb.formats.begin(), verb.formats.end(),
                                  [&](const char* name) { return find_pix_fmt(name) == in.fmt; });
  if (!fmt_ok) {
    f.fmt = find_pix_fmt(verb.formats.front());
    if (f.fmt == nullptr) {
      throw CliError(std::string("internal: ") + verb.name + " names an unknown pixel format " +
                     verb.formats.front());
    }
  }
  if (f.fmt->family == Family::kRgb) {
    f.layout = PF_IMAGE_FRAME;
  } else if (!verb.layouts.empty() &&
             std::find(verb.layouts.begin(), verb.layouts.end(), f.layout) == verb.layouts.end()) {
    f.layout = verb.layouts.front();
  }
  return f;
}

// Hands the reader's pictures through and keeps count, so that stages know which picture they
// work on.
class CountingReader final : public FrameReader {
 public:
  CountingReader(std::unique_ptr<FrameReader> inner, uint64_t& frame)
      : inner_(std::move(inner)), frame_(frame) {
    format_ = inner_->format();
  }
  bool read(uint8_t* dst) override {
    if (!inner_->read(dst)) return false;
    frame_ = count_++;
    return true;
  }
  std::optional<uint64_t> frame_count() const override { return inner_->frame_count(); }
  std::string describe() const override { return inner_->describe(); }
  Container container() const override { return inner_->container(); }

 private:
  std::unique_ptr<FrameReader> inner_;
  uint64_t& frame_;
  uint64_t count_ = 0;
};

// One picture of every input, each converted to what the verb takes, combined into one.
class CombiningReader final : public FrameReader {
 public:
  CombiningReader(std::vector<std::unique_ptr<FrameReader>> readers,
                  std::vector<std::unique_ptr<Pipeline>> fronts, const VideoFormat& out,
                  StreamContext::CombineFn fn, uint64_t& frame, Note note)
      : readers_(std::move(readers)),
        fronts_(std::move(fronts)),
        fn_(std::move(fn)),
        frame_(frame),
        note_(std::move(note)) {
    format_ = out;
    for (const auto& r : readers_) raw_.emplace_back(r->format().frame_size());
    converted_.resize(readers_.size());
  }
  bool read(uint8_t* dst) override {
    for (size_t i = 0; i < readers_.size(); ++i) {
      if (!readers_[i]->read(raw_[i].data())) {
        // Inputs of equal length all end together; only a shorter one is worth a note.
        bool others_left = false;
        for (size_t j = i + 1; j < readers_.size() && !others_left; ++j) {
          others_left = readers_[j]->read(raw_[j].data());
        }
        if (i > 0 || others_left) {
          note_(readers_[i]->describe() + " ended after " + std::to_string(count_) +
                " pictures; the run stops with the shortest input");
        }
        return false;
      }
      converted_[i] = fronts_[i]->run(raw_[i].data());
    }
    frame_ = count_++;
    fn_(converted_, dst);
    return true;
  }
  std::optional<uint64_t> frame_count() const override {
    std::optional<uint64_t> n;
    for (const auto& r : readers_) {
      const auto c = r->frame_count();
      if (c && (!n || *c < *n)) n = c;
    }
    return n;
  }
  std::string describe() const override {
    std::string s;
    for (const auto& r : readers_) s += (s.empty() ? "" : ", ") + r->describe();
    return s;
  }
  Container container() const override { return readers_.front()->container(); }

 private:
  std::vector<std::unique_ptr<FrameReader>> readers_;
  std::vector<std::unique_ptr<Pipeline>> fronts_;
  StreamContext::CombineFn fn_;
  uint64_t& frame_;
  Note note_;
  uint64_t count_ = 0;
  std::vector<std::vector<uint8_t>> raw_;
  std::vector<uint8_t*> converted_;
};

// Pictures converted on their way into a writer: for outputs whose file asks for other pictures
// than the verb makes (a PNG sequence of a YUV stream).
class ConvertingWriter final : public FrameWriter {
 public:
  ConvertingWriter(std::unique_ptr<Pipeline> pipeline, std::unique_ptr<FrameWriter> writer)
      : pipeline_(std::move(pipeline)),
        writer_(std::move(writer)),
        scratch_(pipeline_->in().frame_size()) {}
  void write(const uint8_t* frame) override {
    if (pipeline_->empty()) {
      writer_->write(frame);
      return;
    }
    std::memcpy(scratch_.data(), frame, scratch_.size());
    writer_->write(pipeline_->run(scratch_.data()));
  }
  void finish() override { writer_->finish(); }
  bool wants_more() const override { return writer_->wants_more(); }
  std::string describe() const override { return writer_->describe(); }

 private:
  std::unique_ptr<Pipeline> pipeline_;
  std::unique_ptr<FrameWriter> writer_;
  std::vector<uint8_t> scratch_;
};

// For analysis verbs run without -o.
class NullWriter final : public FrameWriter {
 public:
  void write(const uint8_t*) override {}
  void finish() override {}
  std::string describe() const override { return "(no pictures written)"; }
};

// What an output file holds when the command line does not say: the pixel format the verb makes
// (or the input's, when the verb keeps the format it was given), unless the file's kind needs
// another one.
struct OutputChoice {
  VideoFormat format;
  Container container = Container::kAuto;
  bool asked = false;  // the command line named the pixel format or size
};

OutputChoice choose_output(const OutputOptions& o, const VideoFormat& made, const PixFmt& natural,
                           uint32_t natural_layout, Container input_container) {
  OutputChoice c;
  c.container = o.container;
  if (c.container == Container::kAuto && o.path != "-") c.container = container_from_name(o.path);
  const PixFmt* fmt = o.fmt != nullptr ? o.fmt : &default_output_fmt(c.container, o.path, natural);
  check_png_output(c.container, *fmt);
  if (c.container == Container::kAuto) c.container = pipe_container(input_container, *fmt);
  c.asked = o.fmt != nullptr || o.size.has_value();

  VideoFormat out = made;
  out.fmt = fmt;
  if (o.size) {
    out.width = o.size->width;
    out.height = o.size->height;
    out.sar = scaled_sar(made.sar, made.width, made.height, out.width, out.height);
  }
  if (fmt->family == Family::kRgb) {
    if (o.layout && *o.layout != PF_IMAGE_FRAME) {
      throw UsageError("RGB pictures are frames; --out-layout does not apply to them");
    }
    out.layout = PF_IMAGE_FRAME;
  } else {
    out.layout = o.layout.value_or(natural_layout);
  }
  if (o.fps) out.fps = *o.fps;
  c.format = out;
  return c;
}

class StreamRun final : public StreamContext {
 public:
  StreamRun(const StreamVerb& verb, const StreamArgs& args, const Console& console)
      : verb_(verb),
        args_(args),
        console_(console),
        note_(console_note(console, args.quiet)),
        reports_to_err_(args.output.path == "-") {}

  const StreamArgs& args() const override { return args_; }
  void* mem() const override { return mem_->get(); }
  std::shared_ptr<Instance> open(uint32_t module_id, const void* param) override {
    // The instance goes before the handle it was opened on, whoever lets go of it last.
    struct Held {
      Held(std::shared_ptr<MemHandle> m, uint32_t id, const void* p)
          : mem(std::move(m)), instance(id, p, mem->get()) {}
      std::shared_ptr<MemHandle> mem;
      Instance instance;
    };
    auto held = std::make_shared<Held>(mem_, module_id, param);
    return {held, &held->instance};
  }
  const VideoFormat& format() const override { return chain_ ? chain_->out() : inputs_.front(); }
  const std::vector<VideoFormat>& inputs() const override { return inputs_; }

  void then(std::unique_ptr<Stage> stage) override {
    need_chain("add a stage");
    chain_->then(std::move(stage));
  }
  void then_convert(const VideoFormat& out) override {
    need_chain("convert");
    chain_->then_convert(out);
  }
  void combine_pictures(const VideoFormat& out, CombineFn fn) override {
    if (chain_) throw CliError(std::string("internal: ") + verb_.name + " combines twice");
    chain_ = std::make_unique<Pipeline>(out, mem(), note_);
    combine_ = std::move(fn);
  }
  uint64_t frame() const override { return frame_; }
  void report(const std::string& line) override {
    (reports_to_err_ ? console_.err : console_.out) << line << "\n";
  }
  void reports_every_picture() override { progress_ = false; }
  void note(const std::string& line) override { note_(line); }
  FrameWriter& open_output(const OutputOptions& options, const VideoFormat& format) override {
    const OutputChoice c =
        choose_output(options, format, *format.fmt, format.layout, Container::kRaw);
    auto pipeline = std::make_unique<Pipeline>(format, mem(), note_);
    pipeline->then_convert(c.format);
    extra_.push_back(std::make_unique<ConvertingWriter>(
        std::move(pipeline), open_writer(options.path, c.container, c.format)));
    if (options.path == "-") reports_to_err_ = true;
    return *extra_.back();
  }
  void takes_over_output() override { own_output_ = true; }

  int run() {
    const bool several = verb_.max_inputs > 1;
    std::vector<std::unique_ptr<FrameReader>> readers;
    std::vector<std::unique_ptr<Pipeline>> fronts;
    for (const InputOptions& in : args_.inputs) {
      readers.push_back(open_reader(in));
      const VideoFormat& given = readers.back()->format();
      const VideoFormat taken = taken_format(verb_, given);
      if (!same_pictures(given, taken)) {
        note_(std::string(verb_.name) + " works on " + brief(taken) + ": converting " +
              readers.back()->describe() + " on the way in");
      }
      fronts.push_back(std::make_unique<Pipeline>(given, mem(), note_));
      fronts.back()->then_convert(taken);
      inputs_.push_back(fronts.back()->out());
    }
    const VideoFormat natural_in = readers.front()->format();
    const Container input_container = readers.front()->container();
    if (!several) {
      chain_ = std::move(fronts.front());
      fronts.clear();
    }

    verb_.build(*this);
    if (several && !chain_) {
      throw CliError(std::string("internal: ") + verb_.name + " never combined its inputs");
    }

    // What the verb did not change returns to what the input had: a filter run on a uyvy422
    // stream through yuv420p writes uyvy422 again.
    const VideoFormat made = chain_->out();
    const PixFmt& natural = made.fmt == inputs_.front().fmt ? *natural_in.fmt : *made.fmt;
    const uint32_t natural_layout =
        made.layout == inputs_.front().layout ? natural_in.layout : made.layout;
    std::unique_ptr<FrameWriter> writer;
    std::string to = "(no pictures written)";
    if (!args_.output.path.empty() && !own_output_) {
      const OutputChoice c =
          choose_output(args_.output, made, natural, natural_layout, input_container);
      if (!same_pictures(made, c.format) && !c.asked) {
        note_("converting " + brief(made) + " to " + brief(c.format) + " for the output");
      }
      chain_->then_convert(c.format);
      writer = open_writer(args_.output.path, c.container, c.format);
    } else {
      writer = std::make_unique<NullWriter>();
    }

    std::unique_ptr<FrameReader> source;
    if (several) {
      source = std::make_unique<CombiningReader>(std::move(readers), std::move(fronts),
                                                 chain_->in(), combine_, frame_, note_);
    } else {
      source = std::make_unique<CountingReader>(std::move(readers.front()), frame_);
    }
    RunSettings settings = run_settings(args_, console_);
    settings.progress = settings.progress && progress_;
    RunResult r;
    try {
      r = run_frames(*source, *chain_, *writer, settings, mem(), note_);
    } catch (...) {
      finish_extra(false);
      throw;
    }
    finish_extra(true);
    if (r.frames == 0) throw CliError(source->describe() + " holds no pictures");
    if (verb_.finish) verb_.finish(*this);
    if (own_output_) {
      to.clear();
      for (const auto& w : extra_) to += (to.empty() ? "" : ", ") + w->describe();
    } else if (!args_.output.path.empty()) {
      to = writer->describe();
    }
    report_run(console_, args_.quiet, r, source->describe(), to);
    return kExitOk;
  }

 private:
  void need_chain(const char* what) const {
    if (!chain_) {
      throw CliError(std::string("internal: ") + verb_.name + " has several inputs and must " +
                     "combine them before it can " + what);
    }
  }
  void finish_extra(bool report_errors) {
    for (auto& w : extra_) {
      try {
        w->finish();
      } catch (const CliError&) {
        if (report_errors) throw;
      }
    }
  }

  const StreamVerb& verb_;
  const StreamArgs& args_;
  const Console& console_;
  std::shared_ptr<MemHandle> mem_ = std::make_shared<MemHandle>();
  Note note_;
  bool reports_to_err_;
  std::vector<VideoFormat> inputs_;
  std::unique_ptr<Pipeline> chain_;
  CombineFn combine_;
  uint64_t frame_ = 0;
  bool progress_ = true;
  bool own_output_ = false;
  std::vector<std::unique_ptr<FrameWriter>> extra_;
};

}  // namespace

std::string stream_verb_help(const StreamVerb& verb) {
  const bool several = verb.max_inputs > 1;
  const std::string name = verb.name;
  std::string h = "usage: pelforge " + name + " [options] ";
  h += several ? "[input options] INPUT [input options] INPUT..." : "[input options] INPUT";
  h += verb.output_required ? " [output options] -o OUTPUT\n" : " [-o OUTPUT]\n";
  h += "\n" + std::string(verb.description);
  if (*verb.options_help != '\0') h += "\nOptions of " + name + ":\n" + verb.options_help;
  h += common_options_help(several, !verb.output_required);
  h += "\nPixel formats";
  if (!verb.formats.empty()) {
    h += " (" + name + " works on";
    for (size_t i = 0; i < verb.formats.size(); ++i) {
      h += (i == 0                         ? " "
            : i + 1 == verb.formats.size() ? " and "
                                           : ", ") +
           std::string(verb.formats[i]);
    }
    h += "; other input is converted on the way in and back on the way out)";
  }
  h += ":\n" + pix_fmts_help();
  h += "\nExamples:\n" + std::string(verb.examples);
  return h;
}

int run_stream_verb(const StreamVerb& verb, const VerbArgs& args, const Console& console) {
  StreamSyntax syntax;
  syntax.verb = verb.name;
  syntax.min_inputs = verb.min_inputs;
  syntax.max_inputs = verb.max_inputs;
  syntax.output_required = verb.output_required;
  syntax.extra = verb.options;
  const StreamArgs a = parse_stream_args(syntax, args);
  if (a.help) {
    console.out << stream_verb_help(verb);
    return kExitOk;
  }
  StreamRun run(verb, a, console);
  return run.run();
}

}  // namespace pf::cli
