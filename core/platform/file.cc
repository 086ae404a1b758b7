#include "core/platform/file.h"

#include <cstddef>
#include <utility>

#ifdef _WIN32
#include "core/platform/win32.h"

extern "C" {
__declspec(dllimport) int __stdcall WriteFile(void* file, const void* buffer,
                                              unsigned long to_write, unsigned long* written,
                                              void* overlapped);
__declspec(dllimport) int __stdcall CloseHandle(void* handle);
__declspec(dllimport) unsigned long __stdcall GetLastError();
}
#else
#include <cerrno>

#include <fcntl.h>
#include <unistd.h>
#endif

namespace sorvane::platform {

bool name_taken(std::error_code error) {
  return error == std::errc::file_exists || error == std::errc::too_many_symbolic_link_levels;
}

#ifdef _WIN32
namespace {

void* const kInvalidHandle = reinterpret_cast<void*>(-1);

}  // namespace

NewFile::NewFile(NewFile&& other) noexcept : handle_(std::exchange(other.handle_, nullptr)) {}

NewFile& NewFile::operator=(NewFile&& other) noexcept {
  if (this != &other) {
    if (handle_ != nullptr) CloseHandle(handle_);
    handle_ = std::exchange(other.handle_, nullptr);
  }
  return *this;
}

NewFile::~NewFile() {
  if (handle_ != nullptr) CloseHandle(handle_);
}

Expected<NewFile, std::error_code> NewFile::create(const std::filesystem::path& path) {
  constexpr unsigned long kFileAppendData = 0x4;
  constexpr unsigned long kFileShareRead = 0x1;
  constexpr unsigned long kCreateNew = 1;  // fails when the name exists, a link included
  constexpr unsigned long kFileAttributeNormal = 0x80;
  constexpr unsigned long kFileFlagOpenReparsePoint = 0x00200000;
  constexpr unsigned long kErrorFileExists = 80;
  constexpr unsigned long kErrorAlreadyExists = 183;
  // No security attributes: the directory's default access rules, a handle not inherited.
  void* handle = CreateFileW(path.c_str(), kFileAppendData, kFileShareRead, nullptr, kCreateNew,
                             kFileAttributeNormal | kFileFlagOpenReparsePoint, nullptr);
  if (handle == kInvalidHandle || handle == nullptr) {
    unsigned long error = GetLastError();
    if (error == kErrorFileExists || error == kErrorAlreadyExists) {
      return std::make_error_code(std::errc::file_exists);
    }
    return std::error_code(static_cast<int>(error), std::system_category());
  }
  return NewFile(handle);
}

bool NewFile::is_open() const { return handle_ != nullptr; }

bool NewFile::write(std::string_view bytes) {
  if (handle_ == nullptr) return false;
  return write_fully(bytes, [this](std::string_view rest) -> long long {
    constexpr std::size_t kMaxChunk = 1u << 30;
    unsigned long written = 0;
    const auto size =
        static_cast<unsigned long>(rest.size() < kMaxChunk ? rest.size() : kMaxChunk);
    if (WriteFile(handle_, rest.data(), size, &written, nullptr) == 0) return -1;
    return static_cast<long long>(written);
  });
}
#else
NewFile::NewFile(NewFile&& other) noexcept : fd_(std::exchange(other.fd_, -1)) {}

NewFile& NewFile::operator=(NewFile&& other) noexcept {
  if (this != &other) {
    if (fd_ >= 0) ::close(fd_);
    fd_ = std::exchange(other.fd_, -1);
  }
  return *this;
}

NewFile::~NewFile() {
  if (fd_ >= 0) ::close(fd_);
}

Expected<NewFile, std::error_code> NewFile::create(const std::filesystem::path& path) {
  // O_EXCL fails on any existing name, a link included, without following it; O_NOFOLLOW
  // says the same again.
  int fd = ::open(path.c_str(), O_WRONLY | O_APPEND | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC,
                  0600);
  if (fd < 0) return std::error_code(errno, std::generic_category());
  return NewFile(fd);
}

bool NewFile::is_open() const { return fd_ >= 0; }

bool NewFile::write(std::string_view bytes) {
  if (fd_ < 0) return false;
  return write_fully(bytes, [this](std::string_view rest) -> long long {
    ssize_t written;
    do {
      written = ::write(fd_, rest.data(), rest.size());
    } while (written < 0 && errno == EINTR);
    return written;
  });
}
#endif

}  // namespace sorvane::platform
