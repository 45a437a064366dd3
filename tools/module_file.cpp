#include "tools/module_file.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <vector>

#include "tools/output_paths.h"
#include "tools/tool_error.h"

namespace {

uint64_t Little(const uint8_t* bytes, int count) {
  uint64_t value = 0;
  for (int i = count - 1; i >= 0; --i) value = value << 8 | bytes[i];
  return value;
}

// Where a table or piece ends; a sum that overflows ends past any file.
uint64_t End(uint64_t offset, uint64_t size) {
  return offset > UINT64_MAX - size ? UINT64_MAX : offset + size;
}

constexpr uint32_t kSectionWithoutBytes = 8;

}  // namespace

ModuleFile::ModuleFile(const std::string& path) : path_(path) {
  CheckPathExists(path, "module");
  fd_ = open(path.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
  if (fd_ < 0) throw BadInput("cannot read module " + path + ": " + std::strerror(errno));
  struct stat status {};
  if (fstat(fd_, &status) != 0 || !S_ISREG(status.st_mode)) {
    close(fd_);
    throw BadInput("module is not a regular file: " + path);
  }
  size_ = static_cast<uint64_t>(status.st_size);
}

ModuleFile::~ModuleFile() {
  close(fd_);
}

bool ModuleFile::ReadAt(uint64_t offset, void* bytes, std::size_t count) const {
  auto* next = static_cast<char*>(bytes);
  while (count > 0) {
    const ssize_t done = pread(fd_, next, count, static_cast<off_t>(offset));
    if (done < 0 && errno == EINTR) continue;
    if (done <= 0) return false;
    next += done;
    offset += static_cast<uint64_t>(done);
    count -= static_cast<std::size_t>(done);
  }
  return true;
}

void ModuleFile::CheckLibraryWhole() const {
  uint8_t header[64] = {};
  const bool header_read = ReadAt(0, header, sizeof header);
  // Only 64-bit little-endian libraries load here; anything else the loader refuses unmapped.
  if (std::memcmp(header,
                  "\x7F"
                  "ELF\x02\x01",
                  6) != 0)
    return;
  uint64_t end = sizeof header;
  const uint64_t program_table = Little(header + 0x20, 8);
  const uint64_t section_table = Little(header + 0x28, 8);
  const uint64_t program_count = Little(header + 0x38, 2);
  const uint64_t section_count = Little(header + 0x3C, 2);
  if (header_read) {
    end = std::max(
        {end, End(program_table, 56 * program_count), End(section_table, 64 * section_count)});
  }
  if (header_read && end <= size_) {
    std::vector<uint8_t> table(56 * program_count);
    if (!ReadAt(program_table, table.data(), table.size())) end = UINT64_MAX;
    for (uint64_t i = 0; i < program_count && end <= size_; ++i) {
      const uint8_t* entry = table.data() + 56 * i;
      end = std::max(end, End(Little(entry + 8, 8), Little(entry + 0x20, 8)));
    }
    table.assign(64 * section_count, 0);
    if (!ReadAt(section_table, table.data(), table.size())) end = UINT64_MAX;
    for (uint64_t i = 0; i < section_count && end <= size_; ++i) {
      const uint8_t* entry = table.data() + 64 * i;
      if (Little(entry + 4, 4) == kSectionWithoutBytes) continue;
      end = std::max(end, End(Little(entry + 0x18, 8), Little(entry + 0x20, 8)));
    }
  }
  if (!header_read || end > size_) {
    throw BadInput("module " + path_ + " is cut short or damaged: its headers reach past its " +
                   std::to_string(size_) + " bytes");
  }
}
