#pragma once
// File-system helpers with the port's rules: "/" inside the program, "\"
// accepted from chart and list files, names matched without regard to case.
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

// The whole file, or nothing when it cannot be read.
std::optional<std::string> ReadFileBytes(const std::string& path);
// The whole file cut at its first NUL byte.
std::optional<std::string> ReadTextFile(const std::string& path);
bool WriteFileBytes(const std::string& path, std::string_view bytes);

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
