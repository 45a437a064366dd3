#include "tools/progress.h"

#include <cmath>

#include "tools/tool_error.h"

Progress::Progress(std::FILE* stream, std::size_t total, bool terminal)
    : stream_(stream),
      total_(total),
      terminal_(terminal),
      start_(std::chrono::steady_clock::now()) {
  if (stream_ != nullptr && terminal_) {
    std::fprintf(stream_, "%s", Bar(0, total_, 0.0, 30).c_str());
    Flush();
  }
}

void Progress::Done(const std::string& label, const std::string& output) {
  std::lock_guard<std::mutex> lock(mutex_);
  ++done_;
  if (stream_ == nullptr) return;
  if (terminal_) {
    std::fprintf(stream_, "\r%s\033[K", Bar(done_, total_, Seconds(), 30).c_str());
  } else {
    std::fprintf(stream_, "%s -> %s (%zu/%zu)\n", label.c_str(), output.c_str(), done_, total_);
  }
  Flush();
}

void Progress::Failed(const std::string& message) {
  std::lock_guard<std::mutex> lock(mutex_);
  if (stream_ == nullptr) return;
  if (terminal_) std::fprintf(stream_, "\r\033[K");
  std::fprintf(stream_, "%s\n", ErrorLine(message).c_str());
  if (terminal_) std::fprintf(stream_, "%s", Bar(done_, total_, Seconds(), 30).c_str());
  Flush();
}

void Progress::Finish() {
  std::lock_guard<std::mutex> lock(mutex_);
  if (stream_ != nullptr && terminal_) {
    std::fprintf(stream_, "\n");
    Flush();
  }
}

void Progress::Flush() {
  // Once the reader has gone (a closed pipe) or the stream failed, the rest is
  // not shown either; the work goes on.
  if (std::fflush(stream_) != 0 || std::ferror(stream_)) stream_ = nullptr;
}

double Progress::Seconds() const {
  return std::chrono::duration<double>(std::chrono::steady_clock::now() - start_).count();
}

std::string Progress::Bar(std::size_t done, std::size_t total, double seconds, int width) {
  const double fraction = total == 0 ? 1.0 : static_cast<double>(done) / static_cast<double>(total);
  const int filled = static_cast<int>(fraction * width);
  std::string bar = "[" + std::string(static_cast<std::size_t>(filled), '#') +
                    std::string(static_cast<std::size_t>(width - filled), ' ') + "] ";
  bar += std::to_string(done) + "/" + std::to_string(total) + " frames";
  if (done > 0 && seconds > 0.0) {
    const double rate = static_cast<double>(done) / seconds;
    const long left = std::lround(static_cast<double>(total - done) / rate);
    char text[64];
    std::snprintf(text, sizeof text, "  %.1f fps  %ld:%02ld left", rate, left / 60, left % 60);
    bar += text;
  }
  return bar;
}
