// Files that the process creates for its own output (the log file).
#pragma once

#include <filesystem>
#include <string_view>
#include <system_error>

#include "core/expected.h"

namespace sorvane::platform {

// A file that this process created itself, open for appending; closed when destroyed.
class NewFile {
 public:
  NewFile() = default;
  NewFile(NewFile&& other) noexcept;
  NewFile& operator=(NewFile&& other) noexcept;
  NewFile(const NewFile&) = delete;
  NewFile& operator=(const NewFile&) = delete;
  ~NewFile();

  // Creates `path`, readable and writable by its owner only (mode 0600 less the umask; in the
  // Windows build, the directory's default access rules). Whatever already has that name, a
  // file, a directory or a link (even one that leads nowhere), is never opened, followed or
  // appended to: the creation fails. The handle is not inherited by child processes.
  static Expected<NewFile, std::error_code> create(const std::filesystem::path& path);

  bool is_open() const;

  // Writes all of `bytes` at the end of the file; false when a write fails.
  bool write(std::string_view bytes);

 private:
#ifdef _WIN32
  explicit NewFile(void* handle) : handle_(handle) {}
  void* handle_ = nullptr;
#else
  explicit NewFile(int fd) : fd_(fd) {}
  int fd_ = -1;
#endif
};

// True when the creation failed because something already has the file's name.
bool name_taken(std::error_code error);

// Writes `bytes` through `write_some`, which writes a prefix of what it is given and returns
// how many bytes it wrote, or a negative number after an error; a write of no byte, or of
// more than it was given, counts as an error. True when every byte was written.
template <class WriteSome>
bool write_fully(std::string_view bytes, WriteSome write_some) {
  while (!bytes.empty()) {
    long long written = write_some(bytes);
    if (written <= 0 || static_cast<unsigned long long>(written) > bytes.size()) return false;
    bytes.remove_prefix(static_cast<std::size_t>(written));
  }
  return true;
}

}  // namespace sorvane::platform
