#include "core/file_replace.h"

#include <dirent.h>
#include <fcntl.h>
#include <signal.h>
#include <sys/stat.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <cstdlib>
#include <random>

namespace nimbulux {
namespace {

bool WriteAll(int fd, std::string_view bytes) {
  while (!bytes.empty()) {
    const ssize_t n = write(fd, bytes.data(), bytes.size());
    if (n < 0) {
      if (errno == EINTR) continue;
      return false;
    }
    bytes.remove_prefix(static_cast<std::size_t>(n));
  }
  return true;
}

std::string FolderOf(const std::string& path) {
  const auto slash = path.find_last_of('/');
  if (slash == std::string::npos) return ".";
  if (slash == 0) return "/";
  return path.substr(0, slash);
}

// A writer killed in the middle of a rewrite leaves its temporary file behind; the
// next writer removes those of processes that no longer exist.
void RemoveAbandonedTemporaries(const std::string& folder, const std::string& name) {
  DIR* dir = opendir(folder.c_str());
  if (!dir) return;
  const std::string prefix = "." + name + ".";
  while (const dirent* entry = readdir(dir)) {
    const std::string_view file = entry->d_name;
    if (!file.starts_with(prefix) || !file.ends_with(".tmp")) continue;
    const std::string rest(file.substr(prefix.size()));
    char* end = nullptr;
    const long pid = std::strtol(rest.c_str(), &end, 10);
    if (pid <= 0 || *end != '.') continue;
    if (kill(static_cast<pid_t>(pid), 0) != 0 && errno == ESRCH) {
      unlinkat(dirfd(dir), entry->d_name, 0);
    }
  }
  closedir(dir);
}

// Creates a new file beside the target with a name no one else uses. The permission
// bits pass through the umask, as for any file the program creates.
int CreateTemporaryBeside(const std::string& target, std::string& tempPath) {
  static std::atomic<unsigned> counter{0};
  std::random_device random;
  const auto slash = target.find_last_of('/');
  const std::string folder =
      slash == std::string::npos ? std::string() : target.substr(0, slash + 1);
  const std::string name = slash == std::string::npos ? target : target.substr(slash + 1);
  RemoveAbandonedTemporaries(folder.empty() ? std::string(".") : folder, name);
  for (int attempt = 0; attempt < 100; ++attempt) {
    tempPath = folder + "." + name + "." + std::to_string(getpid()) + "." +
               std::to_string(counter++) + "." + std::to_string(random() % 100000) + ".tmp";
    const int fd = open(tempPath.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
    if (fd >= 0 || errno != EEXIST) return fd;
  }
  return -1;
}

}  // namespace

// Replaces the file as a whole: the new content goes to a temporary file in the same
// folder, reaches the disk, and only then takes the old file's name. A crash or a full
// disk leaves either the old or the new file, never a mixture.
bool ReplaceFileAtomically(const std::string& path, std::string_view bytes, Durability durability) {
  std::string target = path;
  // Through a symbolic link the link stays and the file it points at is replaced.
  if (char* real = realpath(path.c_str(), nullptr)) {
    target = real;
    std::free(real);
  }
  struct stat old {};
  const bool exists = stat(target.c_str(), &old) == 0;
  // A read-only settings file keeps its values, as it would if written in place.
  if (exists && access(target.c_str(), W_OK) != 0) return false;

  std::string tempPath;
  const int fd = CreateTemporaryBeside(target, tempPath);
  if (fd < 0) return false;
  bool ok = WriteAll(fd, bytes);
  if (ok && exists) ok = fchmod(fd, old.st_mode & 07777) == 0;
  if (ok && durability == Durability::Durable) ok = fsync(fd) == 0;
  if (close(fd) != 0) ok = false;
  if (ok) ok = rename(tempPath.c_str(), target.c_str()) == 0;
  if (!ok) {
    unlink(tempPath.c_str());
    return false;
  }
  if (durability != Durability::Durable) return true;
  // Make the new name itself durable.
  const int dir = open(FolderOf(target).c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  if (dir >= 0) {
    fsync(dir);
    close(dir);
  }
  return true;
}

}  // namespace nimbulux
