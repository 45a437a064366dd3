#include "tools/error_stream.h"

#include <fcntl.h>
#include <unistd.h>

#include <algorithm>

namespace {

std::FILE* tool_stream = nullptr;

}  // namespace

void KeepLibraryMessagesOut() {
  const int own = dup(STDERR_FILENO);
  const int nowhere = open("/dev/null", O_WRONLY | O_CLOEXEC);
  if (own < 0 || nowhere < 0) return;  // then everything stays on stderr, as before
  std::FILE* stream = fdopen(own, "w");
  if (stream == nullptr || dup2(nowhere, STDERR_FILENO) < 0) return;
  close(nowhere);
  fcntl(own, F_SETFD, FD_CLOEXEC);
  tool_stream = stream;
}

std::FILE* ErrorStream() {
  return tool_stream != nullptr ? tool_stream : stderr;
}

std::string ErrorLine(const std::string& message) {
  std::string text;
  for (std::size_t start = 0; start < message.size();) {
    const std::size_t end = std::min(message.find_first_of("\r\n", start), message.size());
    const std::string piece = message.substr(start, end - start);
    const std::size_t first = piece.find_first_not_of(" \t");
    if (first != std::string::npos) {
      if (!text.empty()) text += text.back() == ':' ? " " : "; ";
      text += piece.substr(first, piece.find_last_not_of(" \t") + 1 - first);
    }
    start = end + 1;
  }
  return "velmora: " + text;
}

void PrintError(const std::string& message) {
  std::fprintf(ErrorStream(), "%s\n", ErrorLine(message).c_str());
  std::fflush(ErrorStream());
}
