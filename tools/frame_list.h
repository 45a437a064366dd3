// Which files an `apply` run reads and writes: one pair, a numbered sequence
// ('shot.%04d.exr', 'shot.#.exr' or 'shot.@@@@.exr' with --frames 1001-1240,1250),
// or a list of inputs with an output folder.
#pragma once

#include <filesystem>
#include <optional>
#include <string>
#include <vector>

struct FileJob {
  std::filesystem::path input;
  std::filesystem::path output;
  std::string label;         // "frame 1001" or the input's file name, for progress and errors
  std::optional<int> frame;  // the frame number in a sequence
};

// "1001-1240,1250,1300-1302" in ascending order without repeats. Throws BadInput.
std::vector<int> ParseFrameRanges(const std::string& text);

// A path with one frame number in it, in the printf form OpenImageIO makes of
// '#' (four digits), '@' (one digit) and '%0Nd'.
struct FramePattern {
  std::string format;  // "shot.%04d.exr"; a literal % is written %%
  std::string frames;  // a range written into the path itself ("shot.1001-1010#.exr"), or empty
};

// Empty when the path holds no frame number. Throws BadInput when it holds more than one.
std::optional<FramePattern> ParseFramePattern(const std::string& path);

std::vector<std::string> ExpandFramePattern(const FramePattern& pattern,
                                            const std::vector<int>& frames);

// The jobs of one apply run from its positional paths and --frames (absent when
// not given). Throws BadInput for an inconsistent combination, or two jobs
// writing the same file.
std::vector<FileJob> PlanJobs(const std::vector<std::string>& paths,
                              const std::optional<std::string>& frames);

// "frames 1003-1005, 1010" for frames of a sequence, otherwise the jobs' labels.
std::string DescribeJobs(const std::vector<const FileJob*>& jobs);
