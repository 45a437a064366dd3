#include "tools/progress.h"

#include <OpenImageIO/strutil.h>

#include <cmath>

#include "tools/tool_error.h"

Progress::Progress(std::FILE* stream, const std::vector<FileJob>& jobs, bool keep_going,
                   bool terminal)
    : stream_(stream),
      jobs_(jobs),
      keep_going_(keep_going),
      terminal_(terminal),
      written_(jobs.size(), false) {
  if (terminal_) Print(CurrentBar());
}

void Progress::Done(std::size_t job) {
  std::lock_guard<std::mutex> lock(mutex_);
  written_[job] = true;
  const std::string count = std::to_string(++done_);
  Print(terminal_ ? "\r" + CurrentBar() + "\033[K"
                  : jobs_[job].label + " -> " + jobs_[job].output.string() + " (" + count + "/" +
                        std::to_string(jobs_.size()) + ")\n");
}

void Progress::Failed(const ToolError& error) {
  std::lock_guard<std::mutex> lock(mutex_);
  failures_.push_back(error);
  stopped_ = !keep_going_;
  if (keep_going_) {
    Print((terminal_ ? "\r\033[K" : "") + ErrorLine(error.what()) + "\n" +
          (terminal_ ? CurrentBar() : ""));
  }
}

void Progress::Finish() {
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

std::string Progress::CurrentBar() const {
  const std::chrono::duration<double> seconds = std::chrono::steady_clock::now() - start_;
  return Bar(done_, jobs_.size(), seconds.count(), 30);
}

void Progress::Print(const std::string& text) {
  // Once the reader has gone (a closed pipe) or the stream failed, the rest is
  // not shown either; the work goes on.
  if (stream_ == nullptr) return;
  if (std::fputs(text.c_str(), stream_) < 0 || std::fflush(stream_) != 0 || std::ferror(stream_)) {
    stream_ = nullptr;
  }
}

std::string Progress::Bar(std::size_t done, std::size_t total, double seconds, int width) {
  const std::size_t filled = total == 0 ? width : done * width / total;
  const std::string bar = "[" + std::string(filled, '#') + std::string(width - filled, ' ') + "] " +
                          std::to_string(done) + "/" + std::to_string(total) + " frames";
  if (done == 0 || seconds <= 0.0) return bar;
  const double rate = static_cast<double>(done) / seconds;
  const long left = std::lround(static_cast<double>(total - done) / rate);
  return bar + OIIO::Strutil::sprintf("  %.1f fps  %ld:%02ld left", rate, left / 60, left % 60);
}
