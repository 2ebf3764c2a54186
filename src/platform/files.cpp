#include "platform/files.h"

#include <unistd.h>

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

bool WriteFileBytes(const std::string& path, std::string_view bytes) {
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  if (!out) return false;
  out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
  return static_cast<bool>(out);
}

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
