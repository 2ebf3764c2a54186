#include "platform/log.h"

#include <cstdio>
#include <ctime>

namespace kvx {

std::string FormatLogLine(int hour, int minute, int second, int level, std::string_view message) {
  char prefix[16];
  std::snprintf(prefix, sizeof prefix, "%02d:%02d:%02d> ", hour, minute, second);
  std::string line(prefix);
  line.append(static_cast<size_t>(level) * 4, ' ');
  line.append(message.empty() ? std::string_view("Ready.") : message);
  return line;
}

void Logger::Write(std::string_view message, int delta) {
  int level = level_;
  level_ = level_ + delta < 0 ? 0 : level_ + delta;
  std::time_t t = std::time(nullptr);
  std::tm local{};
  localtime_r(&t, &local);
  std::string line = FormatLogLine(local.tm_hour, local.tm_min, local.tm_sec, level, message);
  if (echo_) std::fprintf(stderr, "%s\n", line.c_str());
  if (path_.empty()) return;
  if (std::FILE* f = std::fopen(path_.c_str(), "ab")) {
    line += "\r\n";
    std::fwrite(line.data(), 1, line.size(), f);
    std::fclose(f);
  }
}

}  // namespace kvx
