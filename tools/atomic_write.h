// Outputs reach their final name only when complete: each is written to a
// temporary file in the target's own folder (so the rename never crosses file
// systems) and renamed over the target afterwards. A temporary that is still
// open when the process is interrupted by SIGINT, SIGTERM or SIGHUP is removed.
#pragma once

#include <filesystem>
#include <functional>

// Calls `write` with the temporary path, whose extension is the target's so that
// writers choosing a format by name see the right one; renames it to `target` if
// `write` returns, removes it if `write` throws (the exception is passed on).
void WriteAtomically(const std::filesystem::path& target,
                     const std::function<void(const std::filesystem::path& temporary)>& write);

// Installs the interruption handlers; called once at start-up.
void InstallTemporaryFileCleanup();
