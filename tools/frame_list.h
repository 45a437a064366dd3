// Which files an `apply` run reads and writes: one pair, a numbered sequence
// ('shot.%04d.exr' with --frames 1001-1240,1250), or a list of inputs with an
// output folder.
#pragma once

#include <filesystem>
#include <string>
#include <vector>

struct FileJob {
  std::filesystem::path input;
  std::filesystem::path output;
  std::string label;  // "frame 1001" or the input's file name, for progress and errors
};

// "1001-1240,1250,1300-1302" in ascending order without repeats. Throws BadInput.
std::vector<long> ParseFrameRanges(const std::string& text);

// True when the path holds a printf-style frame number such as %04d or %d.
bool HasFramePattern(const std::string& path);

// The path with its frame pattern replaced by `frame`.
std::string ExpandFramePattern(const std::string& pattern, long frame);

// Builds the jobs of one apply run from its positional paths and --frames.
// Throws BadInput for an inconsistent combination (a pattern without --frames,
// --frames without patterns, several inputs whose output is not a folder,
// two jobs writing the same file).
std::vector<FileJob> PlanJobs(const std::vector<std::string>& paths, const std::string& frames);
