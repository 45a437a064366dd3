#include "tools/frame_list.h"

#include <OpenImageIO/filesystem.h>
#include <OpenImageIO/strutil.h>

#include <algorithm>
#include <regex>
#include <set>

#include "tools/tool_error.h"

namespace {

// A path with one frame number in it, in the printf form OpenImageIO makes of
// '#' (four digits), '@' (one digit) and '%0Nd'.
struct FramePattern {
  std::string format;  // "shot.%04d.exr"; a literal % is written %%
  std::string frames;  // a range written into the path itself ("shot.1001-1010#.exr"), or empty
};

// "1001-1240,1250,1300-1302" in ascending order without repeats.
std::vector<int> ParseFrameRanges(const std::string& text) {
  if (text.empty()) throw BadInput("--frames is empty; give frame numbers such as 1001-1240,1250");
  const std::string flag = "--frames " + Shortened(text) + ": ";
  // "-3", "-5-2" or "1--3": a minus sign in front of a number rather than between two.
  if (std::regex_search(text, std::regex("(^|[,-])-[0-9]"))) {
    throw BadInput(flag + "frame numbers cannot be negative");
  }
  static const std::regex range("([0-9]{1,9})(-([0-9]{1,9}))?");
  std::set<int> frames;
  long long count = 0;  // over every range, so that many ranges cannot pass the cap together
  for (const std::string& part : OIIO::Strutil::splits(text, ",")) {
    std::smatch match;
    if (!std::regex_match(part, match, range)) {
      throw BadInput(flag + "expected frame numbers such as 1001-1240,1250");
    }
    const int first = std::stoi(match[1]);
    const int last = match[3].matched ? std::stoi(match[3]) : first;
    if (last < first) throw BadInput(flag + "range " + Shortened(part) + " runs backwards");
    count += last - first + 1;
    if (count > 1000000) throw BadInput(flag + "more than a million frames");
    for (int frame = first; frame <= last; ++frame) frames.insert(frame);
  }
  return {frames.begin(), frames.end()};
}

// Empty when the path holds no frame number. Throws BadInput when it holds more than one.
std::optional<FramePattern> ParseFramePattern(const std::string& path) {
  FramePattern pattern;
  if (!OIIO::Filesystem::parse_pattern(path.c_str(), 0, pattern.format, pattern.frames)) {
    return std::nullopt;
  }
  // OpenImageIO turns the first '#' or '@' run into a number and leaves the
  // others as they are, which would be written literally.
  const std::string conversions = OIIO::Strutil::replace(pattern.format, "%%", "", true);
  if (std::count(conversions.begin(), conversions.end(), '%') != 1 ||
      pattern.format.find_first_of("#@") != std::string::npos) {
    throw BadInput("pattern " + path +
                   ": a pattern holds one frame number (%04d, # or @); write a literal % as %%");
  }
  return pattern;
}

std::vector<std::string> ExpandFramePattern(const FramePattern& pattern,
                                            const std::vector<int>& frames) {
  std::vector<std::string> paths;
  if (!OIIO::Filesystem::enumerate_file_sequence(pattern.format, frames, paths)) {
    throw BadInput("cannot expand the frame pattern " + pattern.format);
  }
  return paths;
}

std::vector<FileJob> PlanSequence(const std::vector<std::string>& inputs, const std::string& output,
                                  const std::optional<std::string>& frames) {
  const std::optional<FramePattern> input =
      inputs.size() == 1 ? ParseFramePattern(inputs[0]) : std::nullopt;
  const std::optional<FramePattern> target = ParseFramePattern(output);
  if (!input || !target) {
    throw BadInput(
        "a sequence needs one input and one output pattern with a frame number, "
        "for example 'shot.%04d.exr' 'graded.%04d.exr' or 'shot.#.exr' 'graded.#.exr'");
  }
  if (!target->frames.empty()) {
    throw BadInput("output " + output + ": a range belongs in the input pattern or --frames");
  }
  if (frames && !input->frames.empty()) {
    throw BadInput("--frames and a range in the input pattern " + inputs[0] +
                   ": give the frames once");
  }
  if (!frames && input->frames.empty()) {
    throw BadInput("input not found: " + inputs[0] +
                   "; as a frame pattern it needs --frames, for example --frames 1001-1240");
  }
  const std::vector<int> numbers = ParseFrameRanges(frames ? *frames : input->frames);
  const std::vector<std::string> in = ExpandFramePattern(*input, numbers);
  const std::vector<std::string> out = ExpandFramePattern(*target, numbers);
  std::vector<FileJob> jobs;
  for (std::size_t i = 0; i < numbers.size(); ++i) {
    jobs.push_back({in[i], out[i], "frame " + std::to_string(numbers[i]), numbers[i]});
  }
  return jobs;
}

}  // namespace

std::vector<FileJob> PlanJobs(const std::vector<std::string>& paths,
                              const std::optional<std::string>& frames) {
  if (paths.size() < 2) throw BadInput("apply needs an input and an output path");
  const std::vector<std::string> inputs(paths.begin(), paths.end() - 1);
  const std::string& output = paths.back();
  std::error_code error;  // a path that cannot be a folder is taken as a file name
  // A file that exists is taken by its name, so "icon@2x.png" is not a sequence;
  // nor is one that does not when its output names no frame ("photo #1.png" "out.png").
  const bool sequence_input = inputs.size() == 1 && !std::filesystem::exists(inputs[0], error) &&
                              ParseFramePattern(inputs[0]) && ParseFramePattern(output);

  std::vector<FileJob> jobs;
  if (frames || sequence_input) {
    jobs = PlanSequence(inputs, output, frames);
  } else if (inputs.size() == 1 && !std::filesystem::is_directory(output, error)) {
    jobs.push_back({inputs[0], output, std::filesystem::path(inputs[0]).filename().string(), {}});
  } else {
    if (!std::filesystem::is_directory(output, error)) {
      throw BadInput("with several inputs the last path must be an existing output folder: " +
                     output);
    }
    for (const std::string& input : inputs) {
      const std::filesystem::path name = std::filesystem::path(input).filename();
      jobs.push_back({input, std::filesystem::path(output) / name, name.string(), {}});
    }
  }

  std::set<std::filesystem::path> outputs;
  for (const FileJob& job : jobs) {
    if (!outputs.insert(job.output.lexically_normal()).second) {
      throw BadInput("two inputs would be written to the same output " + job.output.string());
    }
  }
  return jobs;
}

std::string DescribeJobs(const std::vector<const FileJob*>& jobs) {
  const bool frames = std::all_of(jobs.begin(), jobs.end(),
                                  [](const FileJob* job) { return job->frame.has_value(); });
  std::string text;
  for (std::size_t i = 0, end = 1; i < jobs.size(); i = end++) {
    while (frames && end < jobs.size() && *jobs[end]->frame == *jobs[end - 1]->frame + 1) ++end;
    text +=
        (text.empty() ? "" : ", ") + (frames ? std::to_string(*jobs[i]->frame) : jobs[i]->label);
    if (end - i > 1) text += "-" + std::to_string(*jobs[end - 1]->frame);
  }
  return frames ? (jobs.size() == 1 ? "frame " : "frames ") + text : text;
}
