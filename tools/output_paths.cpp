#include "tools/output_paths.h"

#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <climits>
#include <cstring>

#include "tools/tool_error.h"

void CheckOutputPath(const std::filesystem::path& path, const std::string& what) {
  std::error_code error;
  const std::filesystem::path folder =
      path.parent_path().empty() ? std::filesystem::path(".") : path.parent_path();
  if (!std::filesystem::is_directory(folder, error)) {
    throw BadInput(what + " folder does not exist: " + folder.string());
  }
  // Found now rather than after the rendering: a folder this user may not write
  // into, or one on a read-only file system.
  if (access(folder.c_str(), W_OK | X_OK) != 0) {
    throw BadInput(what + " folder cannot be written: " + folder.string() + ": " +
                   std::strerror(errno));
  }
  if (path.filename().empty() || std::filesystem::is_directory(path, error)) {
    throw BadInput(what + " is a folder, not a file: " + path.string());
  }
  // A pipe, device or socket there is somebody's, not a file to replace with ours.
  if (std::filesystem::exists(path, error) && !std::filesystem::is_regular_file(path, error)) {
    throw BadInput(what + " is not a regular file: " + path.string());
  }
  const long limit = pathconf(folder.c_str(), _PC_NAME_MAX);
  const std::size_t longest = limit > 0 ? static_cast<std::size_t>(limit) : NAME_MAX;
  if (path.filename().string().size() > longest) {
    throw BadInput(what + " file name is longer than the " + std::to_string(longest) +
                   " bytes its folder allows: " + path.string());
  }
}

void CheckPathExists(const std::filesystem::path& path, const std::string& what) {
  struct stat status {};
  if (stat(path.c_str(), &status) == 0) return;
  if (errno == ENOENT) throw BadInput(what + " not found: " + path.string());
  throw BadInput("cannot read " + what + " " + path.string() + ": " + std::strerror(errno));
}

std::string FileIdentity(const std::filesystem::path& path) {
  struct stat status {};
  if (stat(path.c_str(), &status) == 0) {
    return "file " + std::to_string(status.st_dev) + ":" + std::to_string(status.st_ino);
  }
  std::error_code error;
  return "path " +
         std::filesystem::weakly_canonical(std::filesystem::absolute(path, error), error).string();
}
