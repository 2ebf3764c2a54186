#pragma once
// The clear marks of the song lists, read from the charts' record files by a
// worker thread and kept by chart path: a list of any length shows its marks
// within seconds, and the frame never waits for a file. The worker only reads
// files; the game thread copies what it has read into the list's marks.
#include <atomic>
#include <functional>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <thread>
#include <unordered_map>
#include <vector>

namespace kvx {

class ClearMarkCache {
 public:
  // A chart's cleared flag from its record; nothing when it has no record.
  using Reader = std::function<std::optional<bool>(const std::string& chart)>;

  ClearMarkCache() = default;
  ~ClearMarkCache() { Stop(); }
  ClearMarkCache(const ClearMarkCache&) = delete;
  ClearMarkCache& operator=(const ClearMarkCache&) = delete;

  // True when the chart's record has been read; `flag` then holds its flag
  // (nothing: the chart has no record).
  bool Find(const std::string& chart, std::optional<bool>* flag) const;
  // Starts reading the charts not read yet, in this order, replacing a read
  // that is still running.
  void Request(std::vector<std::string> charts, Reader reader);
  // A record just written: its flag, taking the place of what was read.
  void Set(const std::string& chart, bool cleared);
  // Whether a read is running.
  bool Busy() const;
  // Waits for the running read to end.
  void Wait();

 private:
  struct Shared {
    mutable std::mutex mutex;
    std::unordered_map<std::string, std::optional<bool>> flags;
    std::atomic<bool> stop{false};
    std::atomic<bool> running{false};
  };
  void Stop();

  std::shared_ptr<Shared> shared_ = std::make_shared<Shared>();
  std::thread worker_;
};

}  // namespace kvx
