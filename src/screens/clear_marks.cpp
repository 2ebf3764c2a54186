#include "screens/clear_marks.h"

namespace kvx {

bool ClearMarkCache::Find(const std::string& chart, std::optional<bool>* flag) const {
  std::lock_guard<std::mutex> lock(shared_->mutex);
  const auto it = shared_->flags.find(chart);
  if (it == shared_->flags.end()) return false;
  *flag = it->second;
  return true;
}

void ClearMarkCache::Request(std::vector<std::string> charts, Reader reader) {
  Stop();
  shared_->stop = false;
  shared_->running = true;
  worker_ = std::thread([shared = shared_, charts = std::move(charts), reader = std::move(reader)] {
    for (const std::string& chart : charts) {
      if (shared->stop) break;
      {
        std::lock_guard<std::mutex> lock(shared->mutex);
        if (shared->flags.count(chart)) continue;
      }
      const std::optional<bool> flag = reader(chart);
      std::lock_guard<std::mutex> lock(shared->mutex);
      shared->flags.emplace(chart, flag);  // a flag Set meanwhile is newer: it stays
    }
    shared->running = false;
  });
}

void ClearMarkCache::Set(const std::string& chart, bool cleared) {
  std::lock_guard<std::mutex> lock(shared_->mutex);
  shared_->flags[chart] = cleared;
}

bool ClearMarkCache::Busy() const { return shared_->running; }

void ClearMarkCache::Wait() {
  if (worker_.joinable()) worker_.join();
}

void ClearMarkCache::Stop() {
  shared_->stop = true;
  Wait();
}

}  // namespace kvx
