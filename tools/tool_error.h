// How the tool fails and where it says so: one line for the user, on a stream of the
// tool's own, and the exit code it ends with.
#pragma once

#include <cstdio>
#include <stdexcept>
#include <string>

// Bad input of any kind (flags, values, files, paths): nothing was written.
constexpr int kExitBadInput = 2;
// The module or the file system failed while working; outputs already finished stay.
constexpr int kExitFailed = 1;

class ToolError : public std::runtime_error {
 public:
  ToolError(int exit_code, const std::string& message)
      : std::runtime_error(message), exit_code_(exit_code) {}
  int exit_code() const { return exit_code_; }

 private:
  int exit_code_;
};

inline ToolError BadInput(const std::string& message) {
  return ToolError(kExitBadInput, message);
}

inline ToolError Failure(const std::string& message) {
  return ToolError(kExitFailed, message);
}

// A value echoed in a message is cut to its start, so that a megabyte of junk
// gives one readable line.
inline std::string Shortened(const std::string& text) {
  constexpr std::size_t kShown = 60;
  return text.size() <= kShown ? text : text.substr(0, kShown) + "...";
}

// Called once, first thing in main. The image libraries print diagnostics of their own on
// stderr that repeat in other words what the tool reports, so stderr is pointed at
// /dev/null and the tool's stream becomes a copy of the original (until then it is stderr).
void KeepLibraryMessagesOut();

// Where the tool's messages and progress go.
std::FILE* ErrorStream();

// "velmora: " and the message as one line: the line breaks inside a library's message
// become "; ".
std::string ErrorLine(const std::string& message);

// Writes ErrorLine(message) and its newline to the error stream.
void PrintError(const std::string& message);
