// velmora apply IN OUT | 'in.%04d.exr' 'out.%04d.exr' --frames A-B | IN... OUTDIR
#include <OpenImageIO/strutil.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <map>
#include <memory>
#include <mutex>
#include <optional>
#include <thread>

#include "ofx_sdk/ofx_constants.h"
#include "tools/commands.h"
#include "tools/flags.h"
#include "tools/frame_list.h"
#include "tools/image_io.h"
#include "tools/output_paths.h"
#include "tools/render_image.h"

namespace {

struct ApplyOptions {
  std::vector<std::string> paths;
  std::optional<std::string> frames;
  std::string host = "auto";
  std::optional<std::string> bundle;
  bool force = false;
  bool keep_going = false;
  unsigned jobs = 0;
  SettingFlags settings;
};

HostChoice ParseHost(const std::string& text) {
  if (text == "auto") return HostChoice::Automatic;
  if (text == "aftereffects" || text == "ae") return HostChoice::AfterEffects;
  if (text == "premiere" || text == "ppro") return HostChoice::PremierePro;
  if (text == "ofx" || text == "openfx") return HostChoice::OpenFx;
  throw BadInput("--host " + text + ": not allowed; use auto, aftereffects, premiere or ofx");
}

// What the jobs are found to need before the first pixel.
struct JobPlan {
  std::vector<RenderPath> paths;
  // Each input that another job's output replaces (with --force: a held frame stored
  // as a link to another, overlapping patterns), read before any output is written,
  // once per file however many frames show it; null for the others.
  std::vector<std::shared_ptr<const ImageFile>> read_early;
};

// Everything that can be known before the first pixel: nothing is written
// unless every job can start, and no output replaces a file the command reads
// (an input only with --force, and then it is read here).
// With `keep_going` an input that cannot be read is left to its job, which then fails on
// its own like a frame the module fails, unless no input can be read.
JobPlan CheckJobs(const std::vector<FileJob>& jobs, HostChoice host, bool force, bool keep_going,
                  const SettingFlags& settings) {
  JobPlan plan{{}, std::vector<std::shared_ptr<const ImageFile>>(jobs.size())};
  std::vector<std::filesystem::path> inputs;
  std::vector<std::filesystem::path> outputs;
  std::vector<ToolError> unread;
  for (const FileJob& job : jobs) {
    const OutputFormat format = OutputFormatOf(job.output);
    inputs.push_back(job.input);
    outputs.push_back(job.output);
    ImageLayout layout;
    try {
      layout = ReadImageLayout(job.input);
    } catch (const ToolError& error) {
      if (!keep_going) throw;
      unread.push_back(error);
      plan.paths.push_back({});
      continue;
    }
    const SampleDepth depth = DepthOf(job.input, layout.subimages[0].format);
    plan.paths.push_back(ChooseRenderPath(depth, host, job.input.string()));
    CheckOutputHolds(format, job.input, layout, job.output);
  }
  if (unread.size() == jobs.size()) throw unread.front();
  CheckPresetsApart(settings, inputs, outputs);
  std::multimap<std::string, std::size_t> readers;
  for (std::size_t i = 0; i < jobs.size(); ++i) readers.emplace(FileIdentity(jobs[i].input), i);
  std::map<std::string, std::shared_ptr<const ImageFile>> files_read;
  for (std::size_t writer = 0; writer < jobs.size(); ++writer) {
    const auto [first, last] = readers.equal_range(FileIdentity(jobs[writer].output));
    for (auto reader = first; reader != last; ++reader) {
      if (!force) {
        throw BadInput("output " + jobs[writer].output.string() + " would overwrite the input " +
                       jobs[reader->second].input.string() + "; add --force to allow it");
      }
      if (reader->second == writer) continue;
      auto& file = files_read[reader->first];
      if (!file)
        file = std::make_shared<const ImageFile>(ReadImageFile(jobs[reader->second].input));
      plan.read_early[reader->second] = file;
    }
  }
  return plan;
}

// How a run reports: over several files, on a terminal one redrawn bar (frames done, frames
// per second, time left), otherwise one plain line per file, which reads well in logs; at the
// end, the files not written. Safe to call from any thread. Without `keep_going` the first
// failure stops the run.
class Progress {
 public:
  Progress(const std::vector<FileJob>& jobs, bool keep_going)
      : stream_(jobs.size() > 1 ? ErrorStream() : nullptr),
        jobs_(jobs),
        keep_going_(keep_going),
        terminal_(isatty(fileno(ErrorStream())) != 0),
        written_(jobs.size(), false) {
    if (terminal_) Print(CurrentBar());
  }

  void Done(std::size_t job) {
    std::lock_guard<std::mutex> lock(mutex_);
    written_[job] = true;
    const std::string count = std::to_string(++done_);
    Print(terminal_ ? "\r" + CurrentBar() + "\033[K"
                    : jobs_[job].label + " -> " + jobs_[job].output.string() + " (" + count + "/" +
                          std::to_string(jobs_.size()) + ")\n");
  }

  // With `keep_going` shown at once as an error line, the bar drawn again below it.
  void Failed(const ToolError& error) {
    std::lock_guard<std::mutex> lock(mutex_);
    failures_.push_back(error);
    stopped_ = !keep_going_;
    if (keep_going_) {
      Print((terminal_ ? "\r\033[K" : "") + ErrorLine(error.what()) + "\n" +
            (terminal_ ? CurrentBar() : ""));
    }
  }

  bool Stopped() const { return stopped_; }

  // Ends the bar's line, then throws what the run failed with: one job's own error,
  // "...; stopped, not written: frames 1003-1240 ..." or "2 of 240 failed; not written: ...".
  void Finish() {
    std::lock_guard<std::mutex> lock(mutex_);
    if (terminal_) Print("\n");
    if (failures_.empty()) return;
    if (jobs_.size() == 1) throw failures_.front();
    std::vector<const FileJob*> missing;
    for (std::size_t i = 0; i < jobs_.size(); ++i) {
      if (!written_[i]) missing.push_back(&jobs_[i]);
    }
    if (keep_going_) {
      throw Failure(std::to_string(failures_.size()) + " of " + std::to_string(jobs_.size()) +
                    " failed; not written: " + DescribeJobs(missing));
    }
    for (std::size_t k = 1; k < failures_.size(); ++k) Print(ErrorLine(failures_[k].what()) + "\n");
    // Bad input ends with 2 only while that still means nothing was written.
    const int exit_code = missing.size() < jobs_.size() ? kExitFailed : failures_[0].exit_code();
    throw ToolError(exit_code, std::string(failures_[0].what()) + "; stopped, not written: " +
                                   DescribeJobs(missing) + " (--keep-going renders the others)");
  }

 private:
  std::string CurrentBar() const {
    const std::chrono::duration<double> seconds = std::chrono::steady_clock::now() - start_;
    return ProgressBar(done_, jobs_.size(), seconds.count(), 30);
  }

  void Print(const std::string& text) {
    // Once the reader has gone (a closed pipe) or the stream failed, the rest is
    // not shown either; the work goes on.
    if (stream_ == nullptr) return;
    if (std::fputs(text.c_str(), stream_) < 0 || std::fflush(stream_) != 0 ||
        std::ferror(stream_)) {
      stream_ = nullptr;
    }
  }

  std::FILE* stream_;  // null: nothing is shown
  const std::vector<FileJob>& jobs_;
  bool keep_going_;
  bool terminal_;
  std::vector<bool> written_;
  std::size_t done_ = 0;
  std::vector<ToolError> failures_;  // in the order they happened
  std::atomic<bool> stopped_{false};
  std::chrono::steady_clock::time_point start_ = std::chrono::steady_clock::now();
  std::mutex mutex_;
};

// Renders one job's image with the module (on `host`, made at first use and kept by the
// calling thread, since a host serves one thread at a time) or the bundle, and writes it.
// Throws ToolError.
void RenderJob(const Effect& effect, std::unique_ptr<simhost::SimulatedHost>& host,
               int iterate_threads, OfxBundle* bundle, const simhost::EffectSettings& settings,
               const FileJob& job, const RenderPath& path, ImageFile image) {
  std::string refusal;
  if (path.openfx) {
    const OfxStatus status = bundle->RenderFile(settings, path, &image);
    if (status != kOfxStatOK) refusal = "the bundle returned " + OfxStatusText(status);
  } else {
    if (!host) host = effect.MakeHost(path.mode, iterate_threads);
    // A job's share of the cores renders its float images in bands.
    const PF_Err error = RenderImageFile(*host, settings, path, &image,
                                         [&] { return effect.MakeHost(path.mode, 1); });
    if (error != 0) refusal = "the module returned " + DescribeModuleError(error, *host);
  }
  if (!refusal.empty()) {
    throw Failure(refusal + " on " + job.label + " (" + job.input.string() + ", " + PathName(path) +
                  " path); " + job.output.string() + " was not written");
  }
  WriteImageFile(job.output, std::move(image));
}

void RunApply(const ToolContext& context, const ApplyOptions& options) {
  const Effect& effect = context.RequireEffect();
  const HostChoice host = ParseHost(options.host);
  if (options.bundle && host != HostChoice::OpenFx) {
    throw BadInput("--bundle is for --host ofx only");
  }
  const std::vector<FileJob> jobs = PlanJobs(options.paths, options.frames);
  JobPlan plan = CheckJobs(jobs, host, options.force, options.keep_going, options.settings);
  // A new instance in the host that renders (each has its own defaults), then the
  // preset and flags.
  const simhost::HostMode mode = host == HostChoice::PremierePro ? simhost::HostMode::PremierePro
                                                                 : simhost::HostMode::AfterEffects;
  const simhost::EffectSettings settings =
      ResolveSettings(options.settings, effect.Params(), effect.NewInstance(mode));
  const unsigned cores = std::max(1u, std::thread::hardware_concurrency());
  // One instance of the bundle renders every file in turn, each in tiles on every core.
  std::unique_ptr<OfxBundle> bundle;
  if (host == HostChoice::OpenFx) {
    bundle = std::make_unique<OfxBundle>(options.bundle.value_or(VELMORA_DEFAULT_OFX_BUNDLE),
                                         static_cast<int>(cores));
  }

  Progress progress(jobs, options.keep_going);
  const unsigned workers = static_cast<unsigned>(
      std::min<std::size_t>(options.jobs > 0 ? options.jobs : cores, jobs.size()));
  const int iterate_threads = static_cast<int>(std::max(1u, cores / workers));
  std::atomic<std::size_t> next{0};
  // After a failure that stops the run, jobs in flight finish and no new one starts.
  RunAtOnce(static_cast<int>(workers), [&](int) {
    std::unique_ptr<simhost::SimulatedHost> thread_host;
    for (std::size_t i = next++; i < jobs.size() && !progress.Stopped(); i = next++) {
      try {
        // An input read early is let go with the last frame that shows it.
        ImageFile image = plan.read_early[i] ? *plan.read_early[i] : ReadImageFile(jobs[i].input);
        plan.read_early[i].reset();
        RenderJob(effect, thread_host, iterate_threads, bundle.get(), settings, jobs[i],
                  plan.paths[i], std::move(image));
        progress.Done(i);
      } catch (const ToolError& error) {
        progress.Failed(error);
      } catch (const std::exception& error) {
        progress.Failed(Failure(error.what()));
      } catch (...) {
        progress.Failed(Failure("an unknown error on " + jobs[i].label));
      }
    }
    return 0;
  });
  progress.Finish();
  if (jobs.size() == 1) std::printf("%s\n", jobs[0].output.string().c_str());
  // Only now: a run that ends in bad input has touched nothing, the preset included.
  SavePresetIfAsked(options.settings, effect.Params(), settings);
}

}  // namespace

std::string ProgressBar(std::size_t done, std::size_t total, double seconds, int width) {
  const std::size_t filled = total == 0 ? width : done * width / total;
  const std::string bar = "[" + std::string(filled, '#') + std::string(width - filled, ' ') + "] " +
                          std::to_string(done) + "/" + std::to_string(total) + " frames";
  if (done == 0 || seconds <= 0.0) return bar;
  const double rate = static_cast<double>(done) / seconds;
  const long left = std::lround(static_cast<double>(total - done) / rate);
  return bar + OIIO::Strutil::sprintf("  %.1f fps  %ld:%02ld left", rate, left / 60, left % 60);
}

void AddApplyCommand(CLI::App& app, const ToolContext& context) {
  auto options = std::make_shared<ApplyOptions>();
  CLI::App* command = app.add_subcommand(
      "apply", "Apply the effect to an image, a numbered sequence (--frames) or a list of images");
  command
      ->add_option("paths", options->paths,
                   "IN OUT, or 'in.%04d.exr' 'out.%04d.exr' (also in.#.exr, in.@@@@.exr) with "
                   "--frames, or IN... OUTDIR")
      ->required()
      ->multi_option_policy(CLI::MultiOptionPolicy::TakeAll);
  command
      ->add_option("--frames", options->frames, "Frame numbers of a sequence, e.g. 1001-1240,1250")
      ->expected(0, 1);  // so that an empty value meets the tool's own message
  command->add_flag("--keep-going", options->keep_going,
                    "Render the other frames after one fails, list the failed ones and exit 1");
  command->add_option("--host", options->host,
                      "auto (After Effects, as aftereffects), aftereffects, premiere or ofx");
  command
      ->add_option("--bundle", options->bundle,
                   "Image-effect bundle (folder or binary) for --host ofx (default: the build's)")
      ->type_name("PATH");
  command->add_flag("--force", options->force, "Allow an output to overwrite an input");
  command->add_option("--jobs", options->jobs, "Frames rendered at once (default: every core)");
  AddSettingFlags(command, context.KnownParams(), &options->settings);
  command->callback([&context, options] { RunApply(context, *options); });
}
