// How a run over several files reports: on a terminal one redrawn bar (frames
// done, frames per second, time left), otherwise one plain line per file, which
// reads well in logs; at the end, the files not written. Safe to call from any
// thread.
#pragma once

#include <atomic>
#include <chrono>
#include <cstdio>
#include <mutex>
#include <string>
#include <vector>

#include "tools/frame_list.h"
#include "tools/tool_error.h"

class Progress {
 public:
  // A null `stream` shows nothing. Without `keep_going` the first failure stops the run.
  Progress(std::FILE* stream, const std::vector<FileJob>& jobs, bool keep_going, bool terminal);

  void Done(std::size_t job);
  // With `keep_going` shown at once as an error line, the bar drawn again below it.
  void Failed(const ToolError& error);
  bool Stopped() const { return stopped_; }
  // Ends the bar's line, then throws what the run failed with: one job's own error,
  // "...; stopped, not written: frames 1003-1240 ..." or "2 of 240 failed; not written: ...".
  void Finish();

  // "[#####     ] 12/240 frames  3.4 fps  1:07 left", `width` characters of bar.
  static std::string Bar(std::size_t done, std::size_t total, double seconds, int width);

 private:
  std::string CurrentBar() const;
  void Print(const std::string& text);

  std::FILE* stream_;
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
