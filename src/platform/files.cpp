#include "platform/files.h"

#include <fcntl.h>
#include <signal.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <chrono>
#include <cstring>

#include <filesystem>
#include <fstream>
#include <system_error>

#include "platform/text.h"

namespace fs = std::filesystem;

namespace kvx {

bool FileExists(const std::string& path) {
  std::error_code ec;
  if (!fs::is_regular_file(path, ec)) return false;
  (void)fs::file_size(path, ec);
  return !ec;
}

bool FolderExists(const std::string& path) {
  std::error_code ec;
  return fs::is_directory(path, ec);
}

bool MakeFolder(const std::string& path) {
  std::error_code ec;
  return fs::create_directory(path, ec);
}

bool DeleteFile(const std::string& path) {
  std::error_code ec;
  return fs::remove(path, ec);
}

std::optional<uint64_t> FileSize(const std::string& path) {
  std::error_code ec;
  auto size = fs::file_size(path, ec);
  if (ec) return std::nullopt;
  return size;
}

bool IsReadOnly(const std::string& path) {
  struct stat st {};
  if (::stat(path.c_str(), &st) != 0) return false;
  return (st.st_mode & 0222) == 0 || ::access(path.c_str(), W_OK) != 0;
}

std::optional<std::string> ReadFileBytes(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  if (!in) return std::nullopt;
  std::error_code ec;
  if (!fs::is_regular_file(path, ec)) return std::nullopt;
  std::string data;
  auto size = fs::file_size(path, ec);
  if (!ec) data.reserve(size);
  char buffer[65536];
  while (in.read(buffer, sizeof buffer) || in.gcount() > 0) data.append(buffer, in.gcount());
  return data;
}

std::optional<std::string> ReadTextFile(const std::string& path) {
  auto data = ReadFileBytes(path);
  if (!data) return std::nullopt;
  auto nul = data->find('\0');
  if (nul != std::string::npos) data->resize(nul);
  return data;
}

namespace {
thread_local ScopedWriteFault* active_write_fault = nullptr;
}  // namespace

namespace {

// "<pid>-<n>": the process id, or nothing when the text is not of that form.
std::optional<long> ProcessOfCounterText(std::string_view text) {
  auto dash = text.find('-');
  if (dash == std::string_view::npos || dash == 0 || dash + 1 == text.size() || dash > 9) return std::nullopt;
  auto digits = [](std::string_view t) {
    return std::all_of(t.begin(), t.end(), [](char c) { return std::isdigit(static_cast<unsigned char>(c)); });
  };
  if (!digits(text.substr(0, dash)) || !digits(text.substr(dash + 1))) return std::nullopt;
  return std::stol(std::string(text.substr(0, dash)));
}

// The process that made the temporary file `name` (see IsTemporaryFileName).
std::optional<long> TemporaryFileProcess(std::string_view name, std::string_view target) {
  if (name.size() > kTemporarySuffix.size() && name.substr(name.size() - kTemporarySuffix.size()) == kTemporarySuffix) {
    std::string_view stem = name.substr(0, name.size() - kTemporarySuffix.size());
    auto dot = stem.find_last_of('.');
    if (dot == std::string_view::npos || dot == 0) return std::nullopt;
    if (!target.empty() && stem.substr(0, dot) != target) return std::nullopt;
    return ProcessOfCounterText(stem.substr(dot + 1));
  }
  // Earlier versions named them "<target>.tmp<pid>-<n>".
  const std::string legacy = std::string(target) + ".tmp";
  if (target.empty() || name.size() <= legacy.size() || name.substr(0, legacy.size()) != legacy) return std::nullopt;
  return ProcessOfCounterText(name.substr(legacy.size()));
}

constexpr auto kStaleTemporaryAge = std::chrono::hours(1);

bool IsStaleTemporaryFile(const fs::path& file, long pid) {
  std::error_code ec;
  if (!fs::is_regular_file(fs::symlink_status(file, ec))) return false;
  const bool process_gone = pid != ::getpid() && ::kill(static_cast<pid_t>(pid), 0) != 0 && errno == ESRCH;
  if (process_gone) return true;
  auto written = fs::last_write_time(file, ec);
  return !ec && fs::file_time_type::clock::now() - written > kStaleTemporaryAge;
}

// Removes the stale temporary files of `target_name` (of any target when
// empty) in `folder`, and below it down to `depth` levels.
int RemoveStaleTemporaries(const fs::path& folder, std::string_view target_name, int depth) {
  int removed = 0;
  std::error_code ec;
  for (fs::directory_iterator it(folder, ec), end; !ec && it != end; it.increment(ec)) {
    const fs::path& entry = it->path();
    std::error_code kind;
    if (depth > 0 && it->is_directory(kind) && !it->is_symlink(kind)) {
      removed += RemoveStaleTemporaries(entry, target_name, depth - 1);
      continue;
    }
    auto pid = TemporaryFileProcess(entry.filename().string(), target_name);
    if (pid && IsStaleTemporaryFile(entry, *pid) && fs::remove(entry, kind)) ++removed;
  }
  return removed;
}

}  // namespace

bool IsTemporaryFileName(std::string_view name, std::string_view target_name) {
  return TemporaryFileProcess(name, target_name).has_value();
}

int RemoveStaleTemporaryFiles(const std::string& folder, int depth) {
  return RemoveStaleTemporaries(folder.empty() ? fs::path(".") : fs::path(folder), {}, depth);
}

ScopedWriteFault::ScopedWriteFault(uint64_t fail_after_bytes)
    : stage_(Stage::Data), fail_after_bytes_(fail_after_bytes), previous_(active_write_fault) {
  active_write_fault = this;
}

ScopedWriteFault::ScopedWriteFault(Stage stage) : stage_(stage), previous_(active_write_fault) {
  active_write_fault = this;
}

ScopedWriteFault::~ScopedWriteFault() { active_write_fault = previous_; }

// One safe write: a temporary file beside the target, written, flushed and
// renamed over it.
class SafeWriter {
 public:
  SafeWriter(std::string target, std::string* error) : target_(std::move(target)), error_(error) {}
  ~SafeWriter() { Abandon(); }

  bool Run(std::string_view bytes, bool keep_tail, LinkRule links) {
    ScopedWriteFault* fault = active_write_fault;
    if (fault) ++fault->writes_;
    if (links == LinkRule::Follow) FollowLink();
    RemoveStaleTemporaries(FolderPath(), FileNameOf(target_), 0);
    // The old file is opened without following a link (and without waiting
    // on a pipe): what is checked and kept is the file itself.
    const int old_fd = ::open(target_.c_str(), O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC);
    if (old_fd < 0 && errno == ELOOP) return Fail("the file is a symbolic link; it is not followed");
    if (old_fd < 0 && errno != ENOENT) return Fail(std::string("the old file cannot be opened: ") + std::strerror(errno));
    OldFile old(old_fd);
    if (old.exists && !S_ISREG(old.status.st_mode)) return Fail("not a regular file");
    if (old.exists && IsReadOnly(target_)) return Fail("the file is read-only");
    std::string tail;
    if (keep_tail && old.exists && static_cast<uint64_t>(old.status.st_size) > bytes.size()) {
      if (!old.ReadFrom(bytes.size(), tail)) return Fail("the old file cannot be read");
    }
    if (!CreateTemporary()) return false;
    if (old.exists) ::fchmod(fd_, old.status.st_mode & 07777);
    uint64_t budget = fault && fault->stage_ == ScopedWriteFault::Stage::Data ? fault->fail_after_bytes_ : UINT64_MAX;
    if (!WriteAll(bytes, budget) || !WriteAll(tail, budget)) return false;
    if ((fault && fault->stage_ == ScopedWriteFault::Stage::Flush) || ::fsync(fd_) != 0)
      return Fail("flushing failed");
    int fd = fd_;
    fd_ = -1;
    if (::close(fd) != 0) return Fail("closing failed");
    if (links == LinkRule::Refuse && IsLink(target_)) return Fail("the file became a symbolic link; it is not followed");
    if ((fault && fault->stage_ == ScopedWriteFault::Stage::Rename) ||
        ::rename(temporary_.c_str(), target_.c_str()) != 0)
      return Fail("renaming over the file failed");
    temporary_.clear();
    SyncFolder();
    return true;
  }

 private:
  // The target as it was before the write, opened without following a link.
  struct OldFile {
    explicit OldFile(int descriptor) : fd(descriptor) { exists = fd >= 0 && ::fstat(fd, &status) == 0; }
    ~OldFile() {
      if (fd >= 0) ::close(fd);
    }
    OldFile(const OldFile&) = delete;
    OldFile& operator=(const OldFile&) = delete;
    // The bytes from `offset` to the end.
    bool ReadFrom(size_t offset, std::string& out) const {
      char buffer[65536];
      for (off_t at = static_cast<off_t>(offset);;) {
        ssize_t n = ::pread(fd, buffer, sizeof buffer, at);
        if (n < 0 && errno == EINTR) continue;
        if (n < 0) return false;
        if (n == 0) return true;
        out.append(buffer, static_cast<size_t>(n));
        at += n;
      }
    }
    int fd;
    bool exists = false;
    struct stat status {};
  };

  static bool IsLink(const std::string& path) {
    struct stat st {};
    return ::lstat(path.c_str(), &st) == 0 && S_ISLNK(st.st_mode);
  }

  std::string FolderPath() const {
    std::string folder = FolderOf(target_);
    return folder.empty() ? std::string(".") : folder;
  }

  // A symbolic link stays a link; the file it names is replaced.
  void FollowLink() {
    std::error_code ec;
    if (!fs::is_symlink(target_, ec)) return;
    auto real = fs::weakly_canonical(target_, ec);
    if (!ec) target_ = real.string();
  }

  bool CreateTemporary() {
    static thread_local unsigned counter = 0;
    for (int attempt = 0; attempt < 100; ++attempt) {
      std::string name = target_ + "." + std::to_string(::getpid()) + "-" + std::to_string(counter++) +
                         std::string(kTemporarySuffix);
      fd_ = ::open(name.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
      if (fd_ >= 0) {
        temporary_ = name;
        return true;
      }
      if (errno != EEXIST) break;
    }
    return Fail(std::string("cannot create a temporary file: ") + std::strerror(errno));
  }

  bool WriteAll(std::string_view bytes, uint64_t& budget) {
    while (!bytes.empty()) {
      if (budget == 0) return Fail("writing failed (injected fault)");
      size_t chunk = static_cast<size_t>(std::min<uint64_t>(bytes.size(), budget));
      ssize_t n = ::write(fd_, bytes.data(), chunk);
      if (n < 0 && errno == EINTR) continue;
      if (n <= 0) return Fail(std::string("writing failed: ") + std::strerror(errno));
      bytes.remove_prefix(static_cast<size_t>(n));
      if (budget != UINT64_MAX) budget -= static_cast<uint64_t>(n);
    }
    return true;
  }

  // Makes the rename itself durable.
  void SyncFolder() {
    int dir = ::open(FolderPath().c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (dir < 0) return;
    ::fsync(dir);
    ::close(dir);
  }

  bool Fail(const std::string& why) {
    if (error_) *error_ = why;
    Abandon();
    return false;
  }

  void Abandon() {
    if (fd_ >= 0) ::close(fd_);
    fd_ = -1;
    if (!temporary_.empty()) ::unlink(temporary_.c_str());
    temporary_.clear();
  }

  std::string target_;
  std::string* error_;
  std::string temporary_;
  int fd_ = -1;
};

bool WriteFileSafely(const std::string& path, std::string_view bytes, bool keep_tail, std::string* error,
                     LinkRule links) {
  return SafeWriter(path, error).Run(bytes, keep_tail, links);
}

bool WriteFileBytes(const std::string& path, std::string_view bytes) { return WriteFileSafely(path, bytes, false); }

std::string NormalizeSeparators(std::string_view path) {
  std::string r(path);
  for (char& c : r)
    if (c == '\\') c = '/';
  return r;
}

std::string FolderOf(std::string_view path) {
  auto pos = path.find_last_of('/');
  return pos == std::string_view::npos ? std::string() : std::string(path.substr(0, pos + 1));
}

std::string FileNameOf(std::string_view path) {
  auto pos = path.find_last_of('/');
  return std::string(pos == std::string_view::npos ? path : path.substr(pos + 1));
}

std::string JoinPath(std::string_view folder, std::string_view name) {
  if (folder.empty()) return std::string(name);
  std::string r(folder);
  if (r.back() != '/') r += '/';
  while (!name.empty() && name.front() == '/') name.remove_prefix(1);
  r += name;
  return r;
}

std::optional<std::string> ResolvePathNoCase(const std::string& base, std::string_view name) {
  std::string relative = NormalizeSeparators(name);
  std::string current = base.empty() ? std::string(".") : base;
  if (!relative.empty() && relative.front() == '/') current = "/";
  for (const auto& part : Split(relative, '/')) {
    if (part.empty() || part == ".") continue;
    std::string exact = JoinPath(current, part);
    std::error_code ec;
    if (part == ".." || fs::exists(exact, ec)) {
      current = exact;
      continue;
    }
    bool found = false;
    for (fs::directory_iterator it(current, ec), end; !ec && it != end; it.increment(ec)) {
      std::string entry = it->path().filename().string();
      if (EqualsNoCase(entry, part)) {
        current = JoinPath(current, entry);
        found = true;
        break;
      }
    }
    if (!found) return std::nullopt;
  }
  return current;
}

std::optional<std::string> ResolveWithExtensions(const std::string& base, std::string_view name,
                                                 const std::vector<std::string>& extensions) {
  if (auto found = ResolvePathNoCase(base, name); found && FileExists(*found)) return found;
  std::string normalized = NormalizeSeparators(name);
  auto slash = normalized.find_last_of('/');
  auto dot = normalized.find_last_of('.');
  std::string stem =
      (dot != std::string::npos && (slash == std::string::npos || dot > slash)) ? normalized.substr(0, dot)
                                                                                 : normalized;
  for (const auto& ext : extensions) {
    if (auto found = ResolvePathNoCase(base, stem + ext); found && FileExists(*found)) return found;
  }
  return std::nullopt;
}

std::string ExecutableFolder() {
  std::error_code ec;
  auto exe = fs::read_symlink("/proc/self/exe", ec);
  if (ec) return fs::current_path(ec).string();
  return exe.parent_path().string();
}

}  // namespace kvx
