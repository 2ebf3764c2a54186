#pragma once
// File-system helpers: "/" inside the program, "\" accepted from chart and
// list files, names matched without regard to case.
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace kvx {

// True when the size of a regular file can be queried (an empty file exists;
// a folder or a missing file does not).
bool FileExists(const std::string& path);
bool FolderExists(const std::string& path);
bool MakeFolder(const std::string& path);  // false when it failed or existed
bool DeleteFile(const std::string& path);
std::optional<uint64_t> FileSize(const std::string& path);
// True when a file or folder carries the read-only mark: no write permission
// for anyone, or none for this user (a read-only medium included). Missing
// paths are not read-only.
bool IsReadOnly(const std::string& path);

// The whole file, or nothing when it cannot be read.
std::optional<std::string> ReadFileBytes(const std::string& path);
// The whole file cut at its first NUL byte.
std::optional<std::string> ReadTextFile(const std::string& path);

// Replaces the file at `path` with `bytes` so that a crash, a full disk or a
// power loss at any moment leaves either the old or the new contents, never a
// torn file: the bytes go to a temporary file in the same folder, which is
// flushed to disk and then renamed over the target. With `keep_tail`, for
// formats that are written in place and never shortened, the bytes of the old
// file past the new end are kept. On failure the old file is untouched, the
// temporary file is removed, false is returned and `error` (when given) says
// what went wrong.
//
// The temporary file is named "<target name>.<pid>-<n>.kvx-tmp". Stale ones
// of the same target (their process is gone, or they are over an hour old)
// are removed first, so a write killed half-way leaves nothing behind for long.
//
// With LinkRule::Follow a symbolic link at `path` stays a link and the file it
// names is replaced (files of the data folder). With LinkRule::Refuse a link
// at `path` is never followed or replaced: the write fails (files written in
// chart folders, which come from anywhere).
enum class LinkRule { Follow, Refuse };
bool WriteFileSafely(const std::string& path, std::string_view bytes, bool keep_tail,
                     std::string* error = nullptr, LinkRule links = LinkRule::Follow);
// WriteFileSafely without keeping a tail.
bool WriteFileBytes(const std::string& path, std::string_view bytes);

// The suffix of every temporary file WriteFileSafely makes.
inline constexpr std::string_view kTemporarySuffix = ".kvx-tmp";
// True when `name` (a file name without folder) is a temporary file of a safe
// write of `target_name`, or of any target when `target_name` is empty. Names
// left by earlier versions ("<target>.tmp<pid>-<n>") count when the target is given.
bool IsTemporaryFileName(std::string_view name, std::string_view target_name = {});
// Removes the stale temporary files of safe writes in `folder` (and in its
// sub-folders down to `depth` levels): those whose process is gone or that are
// over an hour old. Nothing else is touched. Returns how many were removed.
int RemoveStaleTemporaryFiles(const std::string& folder, int depth = 0);

// Test seam for WriteFileSafely on this thread: while an object lives, writes
// fail after `fail_after_bytes` bytes of the temporary file (a full disk or a
// crash in the middle), or at the flush or the rename step. `writes` counts the
// writes started while it lived.
class ScopedWriteFault {
 public:
  enum class Stage { Data, Flush, Rename };
  explicit ScopedWriteFault(uint64_t fail_after_bytes);
  explicit ScopedWriteFault(Stage stage);
  ~ScopedWriteFault();
  ScopedWriteFault(const ScopedWriteFault&) = delete;
  ScopedWriteFault& operator=(const ScopedWriteFault&) = delete;
  int writes() const { return writes_; }

 private:
  friend class SafeWriter;
  Stage stage_;
  uint64_t fail_after_bytes_ = 0;
  int writes_ = 0;
  ScopedWriteFault* previous_ = nullptr;
};

// "\" becomes "/".
std::string NormalizeSeparators(std::string_view path);
// Folder part up to and including the last "/" ("" when there is none).
std::string FolderOf(std::string_view path);
// Part after the last "/".
std::string FileNameOf(std::string_view path);
std::string JoinPath(std::string_view folder, std::string_view name);

// Finds `name` (relative, "\" or "/" separated, any letter case) below `base`.
// Each component is matched exactly first and then without regard to case.
// Returns the real path, or nothing when no match exists.
std::optional<std::string> ResolvePathNoCase(const std::string& base, std::string_view name);
// As above, and when the file is missing tries the same name with the given
// extensions in order (for sounds: .ogg, .flac, .wav, .mp3).
std::optional<std::string> ResolveWithExtensions(const std::string& base, std::string_view name,
                                                 const std::vector<std::string>& extensions);

// The folder holding the running executable.
std::string ExecutableFolder();

}  // namespace kvx
