// What can be known about a path before anything is read from or written to it.
#pragma once

#include <filesystem>
#include <string>

// Throws BadInput, calling the path `what` ("output", "--save-preset"), unless it can name a
// new file or one to replace: its folder exists and may be written into, it is not a folder,
// pipe, device or socket, and its name is not longer than the folder's file system allows.
void CheckOutputPath(const std::filesystem::path& path, const std::string& what);

// Throws BadInput "<what> not found: <path>" when nothing is there, or names the system's
// reason when the path cannot be looked up at all (a name longer than the system takes, a
// folder that may not be searched).
void CheckPathExists(const std::filesystem::path& path, const std::string& what);

// Equal for two paths exactly when they lead to the same file, however they are spelt (`./`,
// `..`, symlinks, hard links); for files not yet there, their resolved spelling.
std::string FileIdentity(const std::filesystem::path& path);
