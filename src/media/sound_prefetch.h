#pragma once
// The pool that decodes the sound files of a chart in parallel before the
// chart reader asks for them one by one.
#include <condition_variable>
#include <deque>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <thread>
#include <unordered_map>
#include <vector>

#include "media/sound_decode.h"

namespace kvx {

// Decodes named files on worker threads. Results are handed out only through
// Take, in whatever order the caller asks, so what the game observes does not
// depend on the workers' timing.
class SoundPrefetcher {
 public:
  explicit SoundPrefetcher(int workers);
  ~SoundPrefetcher();
  SoundPrefetcher(const SoundPrefetcher&) = delete;
  SoundPrefetcher& operator=(const SoundPrefetcher&) = delete;

  // Queues the files; a name given twice is decoded once and can be taken twice.
  void Add(const std::vector<std::string>& names);
  // The decoded file when it was queued: waits for a running decode, or
  // decodes it on the calling thread when no worker has started it yet.
  std::optional<DecodedSound> Take(const std::string& name);
  // True when Take of the name would not wait or decode: it was never queued,
  // or its decode has finished.
  bool Ready(const std::string& name);
  // Drops every queued file and every result not taken.
  void Clear();
  size_t Queued();

  // The chart whose sounds are queued (empty: none); set and cleared by the
  // sound loader on the game thread.
  std::string chart;

 private:
  enum class JobState { Pending, Running, Done };
  struct Job {
    std::string name;
    int refs = 0;
    JobState state = JobState::Pending;
    DecodedSound result;
  };
  void Work();

  std::mutex mutex_;
  std::condition_variable work_ready_, job_done_;
  std::deque<std::shared_ptr<Job>> queue_;
  std::unordered_map<std::string, std::shared_ptr<Job>> jobs_;
  bool stopping_ = false;
  int worker_count_ = 1;
  std::vector<std::thread> workers_;
};

}  // namespace kvx
