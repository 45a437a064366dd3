// The tool's own lines on standard error. The image libraries print diagnostics
// of their own there (a reader's complaint, a pending message at exit) that
// repeat in other words what the tool reports, so the process's standard error
// is pointed at /dev/null and the tool writes to a copy of the original.
#pragma once

#include <cstdio>
#include <string>

// Called once, first thing in main: also opens /dev/null onto any of the three
// standard descriptors the process was started without. Until then the tool's
// stream is stderr.
void KeepLibraryMessagesOut();

// Where the tool's messages and progress go.
std::FILE* ErrorStream();

// "velmora: " and the message as one line: the line breaks inside a library's
// message become "; ".
std::string ErrorLine(const std::string& message);

// Writes ErrorLine(message) and its newline to the error stream.
void PrintError(const std::string& message);
