// How the tool fails: one line for the user and the exit code it ends with.
#pragma once

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
// A value echoed in a message is cut to its start, so that a megabyte of junk
// gives one readable line.
inline std::string Shortened(const std::string& text) {
  constexpr std::size_t kShown = 60;
  return text.size() <= kShown ? text : text.substr(0, kShown) + "...";
}

inline ToolError Failure(const std::string& message) {
  return ToolError(kExitFailed, message);
}
