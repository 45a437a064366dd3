// Outputs reach their final name only when complete and on disk: each is written to a
// temporary created exclusively beside the target (so the rename never crosses file systems
// and never follows a planted symlink), flushed, renamed over the target, and the folder
// flushed after the rename. A temporary still open when the process is ended by a signal
// from outside or by an abort is removed.
#pragma once

#include <cstddef>
#include <filesystem>
#include <functional>

// Throws Failure naming the target, and leaves it untouched, when any byte cannot be written.
void WriteBytesAtomically(const std::filesystem::path& target, const void* bytes, std::size_t size);

// The same for a file that `write` fills through the temporary's descriptor.
void WriteAtomically(const std::filesystem::path& target, const std::function<void(int fd)>& write);

// Installs the interruption handlers and reads the file creation mask; called once at
// start-up, before any other thread runs.
void InstallTemporaryFileCleanup();
