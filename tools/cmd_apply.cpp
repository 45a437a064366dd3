// velmora apply IN OUT | 'in.%04d.exr' 'out.%04d.exr' --frames A-B | IN... OUTDIR
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <exception>
#include <map>
#include <memory>
#include <optional>
#include <system_error>
#include <thread>

#include "ofx_sdk/ofx_constants.h"
#include "tools/commands.h"
#include "tools/flags.h"
#include "tools/frame_list.h"
#include "tools/image_io.h"
#include "tools/output_paths.h"
#include "tools/progress.h"
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
  JobPlan plan;
  std::vector<RenderPath>& paths = plan.paths;
  std::vector<std::filesystem::path> inputs;
  std::vector<std::filesystem::path> outputs;
  std::optional<ToolError> unread;
  std::size_t unreadable = 0;
  for (const FileJob& job : jobs) {
    const OutputFormat format = OutputFormatOf(job.output);
    inputs.push_back(job.input);
    outputs.push_back(job.output);
    ImageLayout layout;
    try {
      layout = ReadImageLayout(job.input);
    } catch (const ToolError& error) {
      if (!keep_going) throw;
      if (!unread) unread = error;
      ++unreadable;
      paths.push_back({});
      continue;
    }
    const SampleDepth depth = DepthOf(job.input, layout.subimages[0].format);
    paths.push_back(ChooseRenderPath(depth, host, job.input.string()));
    CheckOutputHolds(format, job.input, layout, job.output);
  }
  if (unread && unreadable == jobs.size()) throw *unread;
  CheckPresetsApart(settings, inputs, outputs);
  std::multimap<std::string, std::size_t> readers;
  for (std::size_t i = 0; i < jobs.size(); ++i) readers.emplace(FileIdentity(jobs[i].input), i);
  std::map<std::string, std::shared_ptr<const ImageFile>> files_read;
  plan.read_early.resize(jobs.size());
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
    bundle = std::make_unique<OfxBundle>(options.bundle.value_or(DefaultBundlePath()),
                                         static_cast<int>(cores));
  }

  const bool several = jobs.size() > 1;
  Progress progress(several ? ErrorStream() : nullptr, jobs, options.keep_going,
                    isatty(fileno(ErrorStream())) != 0);
  const unsigned workers = static_cast<unsigned>(
      std::min<std::size_t>(options.jobs > 0 ? options.jobs : cores, jobs.size()));
  const int iterate_threads = static_cast<int>(std::max(1u, cores / workers));
  std::atomic<std::size_t> next{0};
  // After a failure that stops the run, jobs in flight finish and no new one starts.
  auto work = [&] {
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
  };
  std::vector<std::thread> threads;
  try {
    for (unsigned i = 1; i < workers; ++i) threads.emplace_back(work);
  } catch (const std::system_error&) {
    // Fewer threads than asked for (a process limit): those running take every job.
  }
  work();
  for (std::thread& thread : threads) thread.join();
  progress.Finish();
  if (!several) std::printf("%s\n", jobs[0].output.string().c_str());
  // Only now: a run that ends in bad input has touched nothing, the preset included.
  SavePresetIfAsked(options.settings, effect.Params(), settings);
}

}  // namespace

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
