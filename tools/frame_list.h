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

// The jobs of one apply run from its positional paths and --frames (absent when
// not given). Throws BadInput for an inconsistent combination, or two jobs
// writing the same file.
std::vector<FileJob> PlanJobs(const std::vector<std::string>& paths,
                              const std::optional<std::string>& frames);

// "frames 1003-1005, 1010" for frames of a sequence, otherwise the jobs' labels.
std::string DescribeJobs(const std::vector<const FileJob*>& jobs);
