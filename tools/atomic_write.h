// Outputs reach their final name only when complete and on disk: each is written
// to a temporary file created exclusively in the target's own folder (so the
// rename never crosses file systems and never follows a planted symlink),
// flushed, renamed over the target, and the folder flushed after the rename. A
// temporary that is still open when the process is interrupted by SIGINT,
// SIGTERM or SIGHUP is removed.
#pragma once

#include <cstddef>
#include <filesystem>
#include <functional>

// Writes `size` bytes to `target`; throws Failure naming the target and leaves
// it untouched when any of them cannot be written.
void WriteBytesAtomically(const std::filesystem::path& target, const void* bytes, std::size_t size);

// For writers that only write by file name. Calls `write` with the temporary's
// path, whose extension is the target's so that writers choosing a format by
// name see the right one. `write` must throw when the file it leaves is not
// complete: only the flush and the rename are checked here. The temporary is
// removed whenever anything throws (the exception is passed on).
void WriteAtomically(const std::filesystem::path& target,
                     const std::function<void(const std::filesystem::path& temporary)>& write);

// Installs the interruption handlers; called once at start-up.
void InstallTemporaryFileCleanup();
