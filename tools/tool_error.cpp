// The tool's error stream and the lines written to it, declared in tool_error.h.
#include "tools/tool_error.h"

#include <OpenImageIO/strutil.h>
#include <fcntl.h>
#include <unistd.h>

#include <cerrno>

namespace {

std::FILE* tool_stream = nullptr;

}  // namespace

void KeepLibraryMessagesOut() {
  // A program started with a standard descriptor closed would hand that number
  // to the first file it opens, and the lines meant for it would land there.
  for (int standard = STDIN_FILENO; standard <= STDERR_FILENO; ++standard) {
    if (fcntl(standard, F_GETFD) < 0 && errno == EBADF) open("/dev/null", O_RDWR);
  }
  const int own = fcntl(STDERR_FILENO, F_DUPFD_CLOEXEC, 0);
  const int nowhere = open("/dev/null", O_WRONLY | O_CLOEXEC);
  std::FILE* stream = own >= 0 ? fdopen(own, "w") : nullptr;
  // Should any step fail, everything stays on stderr as it was.
  if (stream != nullptr && nowhere >= 0 && dup2(nowhere, STDERR_FILENO) >= 0) {
    std::setvbuf(stream, nullptr, _IONBF, 0);  // unbuffered, as stderr is
    tool_stream = stream;
  } else if (stream != nullptr) {
    std::fclose(stream);
  }
  if (nowhere >= 0) close(nowhere);
}

std::FILE* ErrorStream() {
  return tool_stream != nullptr ? tool_stream : stderr;
}

std::string ErrorLine(const std::string& message) {
  std::string text;
  const std::string lines = OIIO::Strutil::replace(message, "\r", "\n", true);
  for (const std::string& line : OIIO::Strutil::splits(lines, "\n")) {
    const std::string piece = OIIO::Strutil::strip(line, " \t");
    if (!piece.empty()) text += (text.empty() ? "" : text.back() == ':' ? " " : "; ") + piece;
  }
  return "velmora: " + text;
}

void PrintError(const std::string& message) {
  std::fprintf(ErrorStream(), "%s\n", ErrorLine(message).c_str());
  std::fflush(ErrorStream());
}
