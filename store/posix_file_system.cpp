#ifndef _WIN32

#include "store/posix_file_system.h"

#include <cerrno>
#include <cstdint>
#include <cstdio>
#include <fcntl.h>
#include <new>
#include <sys/stat.h>
#include <unistd.h>

namespace quorrel {

namespace {

#ifndef O_CLOEXEC
#define O_CLOEXEC 0
#endif
#ifndef O_NOFOLLOW
#define O_NOFOLLOW 0
#endif

FileFailure FailureOfErrno() {
  return errno == ENOSPC || errno == EDQUOT ? FileFailure::kDiskFull : FileFailure::kOther;
}

bool WriteAll(int fd, std::string_view bytes) {
  const char* p = bytes.data();
  size_t left = bytes.size();
  while (left > 0) {
    ssize_t n = ::write(fd, p, left);
    if (n < 0) {
      if (errno == EINTR) continue;
      return false;
    }
    p += n;
    left -= static_cast<size_t>(n);
  }
  return true;
}

// The rename is only durable once the folder's entry is on the disk.
void SyncFolderOf(const Text& path) {
  size_t slash = path.find_last_of('/');
  Text folder = slash == Text::npos ? Text(".") : slash == 0 ? Text("/") : path.substr(0, slash);
  int fd = ::open(folder.c_str(), O_RDONLY | O_CLOEXEC);
  if (fd < 0) return;
  ::fsync(fd);
  ::close(fd);
}

// Writes bytes to a temp file opened with flags and flushes it; false (temp removed when it
// was created here) on any failure.
bool WriteTemp(const Text& temp, int create_flags, std::string_view bytes, FileFailure& why) {
  // Owner-only: the table is enciphered, but nobody else needs to read it.
  int fd = ::open(temp.c_str(), O_WRONLY | create_flags | O_CLOEXEC | O_NOFOLLOW, 0600);
  if (fd < 0) {
    why = FailureOfErrno();
    return false;
  }
  bool ok = WriteAll(fd, bytes) && ::fsync(fd) == 0;
  if (!ok) why = FailureOfErrno();
  if (::close(fd) != 0 && ok) {
    why = FailureOfErrno();
    ok = false;
  }
  if (!ok) ::unlink(temp.c_str());
  return ok;
}

bool RenameNoReplace(const Text& from, const Text& to) {
#if defined(__linux__) && defined(RENAME_NOREPLACE)
  if (::renameat2(AT_FDCWD, from.c_str(), AT_FDCWD, to.c_str(), RENAME_NOREPLACE) == 0) return true;
  if (errno != EINVAL && errno != ENOSYS) return false;
#endif
  // A file system without the flag: a hard link cannot replace either.
  if (::link(from.c_str(), to.c_str()) != 0) return false;
  ::unlink(from.c_str());
  return true;
}

}  // namespace

std::optional<std::string> PosixTableFileSystem::ReadFile(const Text& path) {
  // Every failure here is one the user can only be told as "does not open".
  Fail(FileFailure::kOther);
  int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
  if (fd < 0) return std::nullopt;
  struct stat st {};
  if (::fstat(fd, &st) != 0 || (S_ISREG(st.st_mode) && static_cast<uint64_t>(st.st_size) > kMaxTableFileBytes)) {
    ::close(fd);
    return std::nullopt;
  }
  std::string content;
  try {
    if (S_ISREG(st.st_mode) && st.st_size > 0) content.reserve(static_cast<size_t>(st.st_size));
    char buffer[65536];
    for (;;) {
      ssize_t n = ::read(fd, buffer, sizeof buffer);
      if (n < 0) {
        if (errno == EINTR) continue;
        ::close(fd);
        return std::nullopt;
      }
      if (n == 0) break;
      if (content.size() + static_cast<size_t>(n) > kMaxTableFileBytes) {  // it grew meanwhile
        ::close(fd);
        return std::nullopt;
      }
      content.append(buffer, static_cast<size_t>(n));
    }
  } catch (const std::bad_alloc&) {
    ::close(fd);
    return std::nullopt;
  }
  ::close(fd);
  return content;
}

PathState PosixTableFileSystem::Probe(const Text& path) {
  struct stat st {};
  if (::stat(path.c_str(), &st) == 0) return PathState::kPresent;
  return errno == ENOENT || errno == ENOTDIR ? PathState::kAbsent : PathState::kUnknown;
}

bool PosixTableFileSystem::WriteReplace(const Text& path, std::string_view bytes) {
  const Text temp = TempPath(path);
  FileFailure why = FileFailure::kOther;
  if (!WriteTemp(temp, O_CREAT | O_TRUNC, bytes, why)) return Fail(why);
  if (::rename(temp.c_str(), path.c_str()) != 0) {
    why = FailureOfErrno();
    ::unlink(temp.c_str());
    return Fail(why);
  }
  // The new content is in place; a failing folder sync only weakens durability.
  SyncFolderOf(path);
  return true;
}

bool PosixTableFileSystem::WriteNew(const Text& path, std::string_view bytes) {
  const Text temp = TempPath(path);
  FileFailure why = FileFailure::kOther;
  if (!WriteTemp(temp, O_CREAT | O_EXCL, bytes, why)) return Fail(why);
  if (!MoveNew(temp, path)) {
    why = LastFailure();
    ::unlink(temp.c_str());
    return Fail(why);
  }
  return true;
}

bool PosixTableFileSystem::MoveNew(const Text& from, const Text& to) {
  if (!RenameNoReplace(from, to)) return Fail(FailureOfErrno());
  SyncFolderOf(to);
  return true;
}

bool PosixTableFileSystem::Remove(const Text& path) {
  return ::unlink(path.c_str()) == 0 || errno == ENOENT || Fail(FailureOfErrno());
}

}  // namespace quorrel

#endif  // _WIN32
