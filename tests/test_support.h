#pragma once
// Helpers shared by the test suites: a temporary program folder with a data
// folder, and reading back files.
#include <string>

namespace kvx::test {

// A fresh folder under /tmp that is removed when the object goes away.
class TempFolder {
 public:
  TempFolder();
  ~TempFolder();
  const std::string& path() const { return path_; }
  std::string Write(const std::string& relative, const std::string& bytes) const;
  std::string Read(const std::string& relative) const;

 private:
  std::string path_;
};

}  // namespace kvx::test
