// Outputs reach their final name only when complete and on disk: each is written
// to a temporary file created exclusively in the target's own folder (so the
// rename never crosses file systems and never follows a planted symlink),
// flushed, renamed over the target, and the folder flushed after the rename. A
// temporary that is still open when the process is ended by a signal from
// outside (SIGINT, SIGTERM, SIGHUP, a CPU limit's SIGXCPU, ...) or by an abort
// is removed.
#pragma once

#include <cstddef>
#include <filesystem>
#include <functional>

// Writes `size` bytes to `target`; throws Failure naming the target and leaves
// it untouched when any of them cannot be written.
void WriteBytesAtomically(const std::filesystem::path& target, const void* bytes, std::size_t size);

// The same for a file that `write` fills through the temporary's descriptor,
// throwing ToolError when it cannot.
void WriteAtomically(const std::filesystem::path& target, const std::function<void(int fd)>& write);

// Installs the interruption handlers; called once at start-up.
void InstallTemporaryFileCleanup();
