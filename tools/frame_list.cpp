#include "tools/frame_list.h"

#include <cctype>
#include <regex>
#include <set>

#include "tools/tool_error.h"

namespace {

const std::regex& FramePattern() {
  static const std::regex pattern("%0?([0-9]*)d");
  return pattern;
}

long ParseFrameNumber(const std::string& text, const std::string& whole) {
  if (text.empty() || text.size() > 9 ||
      !std::all_of(text.begin(), text.end(), [](unsigned char c) { return std::isdigit(c); })) {
    throw BadInput("--frames " + whole + ": expected frame numbers such as 1001-1240,1250");
  }
  return std::stol(text);
}

}  // namespace

std::vector<long> ParseFrameRanges(const std::string& text) {
  std::set<long> frames;
  std::size_t start = 0;
  while (start <= text.size()) {
    const std::size_t comma = std::min(text.find(',', start), text.size());
    const std::string part = text.substr(start, comma - start);
    const std::size_t dash = part.find('-');
    const long first = ParseFrameNumber(part.substr(0, dash), text);
    const long last =
        dash == std::string::npos ? first : ParseFrameNumber(part.substr(dash + 1), text);
    if (last < first) throw BadInput("--frames " + text + ": range " + part + " runs backwards");
    if (last - first > 1000000) throw BadInput("--frames " + text + ": more than a million frames");
    for (long frame = first; frame <= last; ++frame) frames.insert(frame);
    start = comma + 1;
  }
  return {frames.begin(), frames.end()};
}

bool HasFramePattern(const std::string& path) {
  return std::regex_search(path, FramePattern());
}

std::string ExpandFramePattern(const std::string& pattern, long frame) {
  std::smatch match;
  if (!std::regex_search(pattern, match, FramePattern())) return pattern;
  const int width = match[1].length() > 0 ? std::stoi(match[1].str()) : 0;
  std::string number = std::to_string(frame);
  if (static_cast<int>(number.size()) < width) {
    number.insert(0, static_cast<std::size_t>(width) - number.size(), '0');
  }
  return match.prefix().str() + number + match.suffix().str();
}

std::vector<FileJob> PlanJobs(const std::vector<std::string>& paths, const std::string& frames) {
  std::vector<FileJob> jobs;
  if (paths.size() < 2) throw BadInput("apply needs an input and an output path");
  const std::vector<std::string> inputs(paths.begin(), paths.end() - 1);
  const std::string& output = paths.back();
  std::error_code error;  // a path that cannot be a folder is taken as a file name

  if (!frames.empty()) {
    if (inputs.size() != 1 || !HasFramePattern(inputs[0]) || !HasFramePattern(output)) {
      throw BadInput(
          "--frames needs one input and one output pattern with a frame number, "
          "for example 'shot.%04d.exr' 'graded.%04d.exr'");
    }
    for (long frame : ParseFrameRanges(frames)) {
      jobs.push_back({ExpandFramePattern(inputs[0], frame), ExpandFramePattern(output, frame),
                      "frame " + std::to_string(frame)});
    }
  } else if (inputs.size() == 1 && !std::filesystem::is_directory(output, error)) {
    if (HasFramePattern(inputs[0]) || HasFramePattern(output)) {
      throw BadInput("a frame pattern such as %04d needs --frames, for example --frames 1001-1240");
    }
    jobs.push_back({inputs[0], output, std::filesystem::path(inputs[0]).filename().string()});
  } else {
    if (!std::filesystem::is_directory(output, error)) {
      throw BadInput("with several inputs the last path must be an existing output folder: " +
                     output);
    }
    for (const std::string& input : inputs) {
      const std::filesystem::path name = std::filesystem::path(input).filename();
      jobs.push_back({input, std::filesystem::path(output) / name, name.string()});
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
