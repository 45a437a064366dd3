// velmora apply IN OUT | 'in.%04d.exr' 'out.%04d.exr' --frames A-B | IN... OUTDIR
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <exception>
#include <map>
#include <memory>
#include <mutex>
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
#include "tools/render_ofx.h"

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
  // The file of each input that another job's output replaces (with --force: a
  // held frame stored as a link to another, overlapping patterns), read before
  // any output; empty for the others.
  std::vector<std::string> read_first;
};

// Everything that can be known before the first pixel: nothing is written
// unless every job can start, and no output replaces a file the command reads
// (an input only with --force).
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
  plan.read_first.assign(jobs.size(), "");
  for (std::size_t writer = 0; writer < jobs.size(); ++writer) {
    const auto [first, last] = readers.equal_range(FileIdentity(jobs[writer].output));
    for (auto reader = first; reader != last; ++reader) {
      if (!force) {
        throw BadInput("output " + jobs[writer].output.string() + " would overwrite the input " +
                       jobs[reader->second].input.string() + "; add --force to allow it");
      }
      if (reader->second != writer) plan.read_first[reader->second] = reader->first;
    }
  }
  return plan;
}

ToolError NotWritten(const std::string& who, const std::string& answer, const FileJob& job,
                     const RenderPath& path) {
  return Failure("the " + who + " returned " + answer + " on " + job.label + " (" +
                 job.input.string() + ", " + PathName(path) + " path); " + job.output.string() +
                 " was not written");
}

// Renders one job's image with `host` and writes it. Throws ToolError.
void RenderJob(simhost::SimulatedHost& host, const simhost::EffectSettings& settings,
               const FileJob& job, const RenderPath& path, const HostMaker& more_hosts,
               ImageFile image) {
  const PF_Err error = RenderImageFile(host, settings, path, &image, more_hosts);
  if (error != 0) throw NotWritten("module", DescribeModuleError(error, host), job, path);
  WriteImageFile(job.output, std::move(image));
}

// The same through the image-effect bundle.
void RenderJob(OfxBundle& bundle, const simhost::EffectSettings& settings, const FileJob& job,
               const RenderPath& path, ImageFile image) {
  const OfxStatus status = bundle.RenderFile(settings, path, &image);
  if (status != kOfxStatOK) throw NotWritten("bundle", OfxStatusText(status), job, path);
  WriteImageFile(job.output, std::move(image));
}

// Renders the jobs on `workers` threads; each thread has its own hosts, since a
// simulated host serves one thread at a time. Without `keep_going` the first
// failure stops the run: jobs in flight finish, no new one starts.
// The values each host renders with: a new instance in that host, then the
// preset and flags. Each host has its own defaults.
using SettingsByHost = std::map<simhost::HostMode, simhost::EffectSettings>;

void RenderJobs(const Effect& effect, const SettingsByHost& settings,
                const std::vector<FileJob>& jobs, const JobPlan& plan, unsigned workers,
                bool keep_going, Progress& progress, OfxBundle* bundle) {
  const std::vector<RenderPath>& paths = plan.paths;
  // Read once per file, however many frames show it, and let go with the last of them.
  std::map<std::string, std::shared_ptr<const ImageFile>> files_read;
  std::vector<std::shared_ptr<const ImageFile>> read_early(jobs.size());
  for (std::size_t i = 0; i < jobs.size(); ++i) {
    if (plan.read_first[i].empty()) continue;
    auto& file = files_read[plan.read_first[i]];
    if (!file) file = std::make_shared<const ImageFile>(ReadImageFile(jobs[i].input));
    read_early[i] = file;
  }
  files_read.clear();
  const unsigned cores = std::max(1u, std::thread::hardware_concurrency());
  const int iterate_threads = static_cast<int>(std::max(1u, cores / workers));
  std::atomic<std::size_t> next{0};
  std::atomic<bool> stop{false};
  std::vector<char> written(jobs.size(), 0);  // each entry set by the one thread that took the job
  std::mutex failure_mutex;
  std::vector<ToolError> failures;  // in the order they happened

  auto fail = [&](const ToolError& error) {
    std::lock_guard<std::mutex> lock(failure_mutex);
    failures.push_back(error);
    if (keep_going) {
      progress.Failed(error.what());
    } else {
      stop = true;
    }
  };
  auto work = [&] {
    std::map<simhost::HostMode, std::unique_ptr<simhost::SimulatedHost>> hosts;
    for (std::size_t i = next++; i < jobs.size() && !stop; i = next++) {
      try {
        ImageFile image = read_early[i] ? *read_early[i] : ReadImageFile(jobs[i].input);
        read_early[i].reset();
        if (paths[i].openfx) {
          RenderJob(*bundle, settings.at(paths[i].mode), jobs[i], paths[i], std::move(image));
        } else {
          auto& host = hosts[paths[i].mode];
          if (!host) host = effect.MakeHost(paths[i].mode, iterate_threads);
          // A job's share of the cores renders its float images in bands.
          RenderJob(
              *host, settings.at(paths[i].mode), jobs[i], paths[i],
              [&] { return effect.MakeHost(paths[i].mode, 1); }, std::move(image));
        }
        written[i] = 1;
        progress.Done(jobs[i].label, jobs[i].output.string());
      } catch (const ToolError& error) {
        fail(error);
      } catch (const std::exception& error) {
        fail(Failure(error.what()));
      } catch (...) {
        fail(Failure("an unknown error on " + jobs[i].label));
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
  if (failures.empty()) return;
  if (jobs.size() == 1) throw failures.front();

  std::vector<const FileJob*> missing;
  for (std::size_t i = 0; i < jobs.size(); ++i) {
    if (!written[i]) missing.push_back(&jobs[i]);
  }
  if (keep_going) {
    throw Failure(std::to_string(failures.size()) + " of " + std::to_string(jobs.size()) +
                  " failed; not written: " + DescribeJobs(missing));
  }
  for (std::size_t k = 1; k < failures.size(); ++k) progress.Failed(failures[k].what());
  // Bad input ends with 2 only while that still means nothing was written.
  const bool wrote = missing.size() < jobs.size();
  throw ToolError(wrote ? kExitFailed : failures.front().exit_code(),
                  std::string(failures.front().what()) + "; stopped, not written: " +
                      DescribeJobs(missing) + " (--keep-going renders the others)");
}

void RunApply(const ToolContext& context, const ApplyOptions& options) {
  const Effect& effect = context.RequireEffect();
  const HostChoice host = ParseHost(options.host);
  if (options.bundle && host != HostChoice::OpenFx) {
    throw BadInput("--bundle is for --host ofx only");
  }
  const std::vector<FileJob> jobs = PlanJobs(options.paths, options.frames);
  const JobPlan plan = CheckJobs(jobs, host, options.force, options.keep_going, options.settings);
  SettingsByHost settings;
  for (const RenderPath& path : plan.paths) {
    if (settings.count(path.mode) != 0) continue;
    settings.emplace(path.mode, ResolveSettings(options.settings, effect.Params(),
                                                effect.NewInstance(path.mode)));
  }

  const unsigned cores = std::max(1u, std::thread::hardware_concurrency());
  // One instance of the bundle renders every file in turn, each in tiles on every core.
  std::unique_ptr<OfxBundle> bundle;
  if (host == HostChoice::OpenFx) {
    bundle = std::make_unique<OfxBundle>(options.bundle.value_or(DefaultBundlePath()),
                                         static_cast<int>(cores));
  }
  const unsigned workers = static_cast<unsigned>(
      std::min<std::size_t>(options.jobs > 0 ? options.jobs : cores, jobs.size()));
  const bool several = jobs.size() > 1;
  Progress progress(several ? ErrorStream() : nullptr, jobs.size(),
                    isatty(fileno(ErrorStream())) != 0);
  RenderJobs(effect, settings, jobs, plan, workers, options.keep_going, progress, bundle.get());
  if (!several) std::printf("%s\n", jobs[0].output.string().c_str());
  // Only now: a run that ends in bad input has touched nothing, the preset included.
  SavePresetIfAsked(options.settings, effect.Params(), settings.at(plan.paths.front().mode));
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
      ->expected(2, -1);
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
