// Progress of a run over several files: on a terminal one redrawn bar (frames
// done, frames per second, time left); otherwise one plain line per file, which
// reads well in logs.
#pragma once

#include <chrono>
#include <cstdio>
#include <mutex>
#include <string>

class Progress {
 public:
  // A null `stream` reports nothing.
  Progress(std::FILE* stream, std::size_t total, bool terminal);

  // Safe to call from any thread.
  void Done(const std::string& label, const std::string& output);
  // A file that failed, as one error line, with the bar drawn again below it.
  void Failed(const std::string& message);
  // Ends the bar's line.
  void Finish();

  // "[#####     ] 12/240  3.4 fps  1:07 left", `width` characters of bar.
  static std::string Bar(std::size_t done, std::size_t total, double seconds, int width);

 private:
  double Seconds() const;
  void Flush();

  std::FILE* stream_;
  std::size_t total_;
  bool terminal_;
  std::size_t done_ = 0;
  std::chrono::steady_clock::time_point start_;
  std::mutex mutex_;
};
