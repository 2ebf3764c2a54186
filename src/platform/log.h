#pragma once
// The debug log "_kvxfiles/debug.txt": one line per entry, "HH:MM:SS> " then
// four spaces per indentation level, opened, appended and closed per entry.
#include <string>
#include <string_view>

namespace kvx {

class Logger {
 public:
  void SetPath(std::string path) { path_ = std::move(path); }
  const std::string& Path() const { return path_; }
  int Level() const { return level_; }
  // Writes one entry; delta +1 opens a block after this line, -1 closes it.
  // An empty message is written as "Ready.". Write errors are ignored.
  void Write(std::string_view message, int delta = 0);
  // Also copies each line to stderr (for --verbose and tool modes).
  void SetEcho(bool echo) { echo_ = echo; }

 private:
  std::string path_;
  int level_ = 0;
  bool echo_ = false;
};

// Formats one log line without the line end (exposed for tests).
std::string FormatLogLine(int hour, int minute, int second, int level, std::string_view message);

}  // namespace kvx
