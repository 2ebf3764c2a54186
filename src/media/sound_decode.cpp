#include "media/sound_decode.h"

#include "media/sound_prefetch.h"

#include <sndfile.h>

#include <algorithm>
#include <cmath>

#include "platform/files.h"
#include "platform/text.h"

namespace kvx {

const std::vector<std::string>& SoundFileExtensions() {
  static const std::vector<std::string> extensions = {".ogg", ".flac", ".wav", ".mp3"};
  return extensions;
}

std::string SoundCacheKey(const std::string& name) { return Trim(NormalizeSeparators(name)); }

static int16_t ToPcm16(float v) {
  if (!(v == v)) return 0;  // NaN
  float scaled = v * 32767.0f;
  if (scaled >= 32767.0f) return 32767;
  if (scaled <= -32768.0f) return -32768;
  return static_cast<int16_t>(std::lrint(scaled));
}

DecodedSound DecodeSoundFile(const std::string& name) {
  DecodedSound out;
  std::string key = SoundCacheKey(name);
  out.path = key;
  if (key.empty()) {
    out.error = SoundError::InvalidParam;
    return out;
  }
  auto resolved = ResolveWithExtensions("", key, SoundFileExtensions());
  if (!resolved) {
    out.error = SoundError::FileMissing;
    return out;
  }
  out.path = *resolved;

  SF_INFO info{};
  SNDFILE* file = sf_open(resolved->c_str(), SFM_READ, &info);
  if (!file) {
    out.error = SoundError::DecodeFailed;
    return out;
  }
  if (info.channels < 1 || info.channels > 64 || info.samplerate < 1000 || info.samplerate > 768000) {
    sf_close(file);
    out.error = SoundError::UnsupportedFormat;
    return out;
  }
  // More than two channels are mixed down to mono.
  const int inChannels = info.channels;
  const int outChannels = inChannels <= 2 ? inChannels : 1;
  if (info.frames > 0 && static_cast<uint64_t>(info.frames) * outChannels > kMaxDecodedSamples) {
    sf_close(file);
    out.error = SoundError::OutOfMemory;
    return out;
  }
  out.rate = info.samplerate;
  out.channels = outChannels;
  if (info.frames > 0) out.samples.reserve(static_cast<size_t>(info.frames) * outChannels);

  constexpr sf_count_t kChunkFrames = 16384;
  std::vector<float> chunk(static_cast<size_t>(kChunkFrames) * inChannels);
  for (;;) {
    sf_count_t got = sf_readf_float(file, chunk.data(), kChunkFrames);
    if (got <= 0) break;
    if (out.samples.size() + static_cast<size_t>(got) * outChannels > kMaxDecodedSamples) {
      sf_close(file);
      out.samples = {};
      out.error = SoundError::OutOfMemory;
      return out;
    }
    if (inChannels == outChannels) {
      for (sf_count_t i = 0; i < got * inChannels; ++i) out.samples.push_back(ToPcm16(chunk[i]));
    } else {
      for (sf_count_t f = 0; f < got; ++f) {
        float sum = 0;
        for (int c = 0; c < inChannels; ++c) sum += chunk[f * inChannels + c];
        out.samples.push_back(ToPcm16(sum / inChannels));
      }
    }
  }
  bool damaged = sf_error(file) != SF_ERR_NO_ERROR && out.samples.empty();
  sf_close(file);
  if (damaged) {
    out.error = SoundError::DecodeFailed;
    out.samples = {};
    return out;
  }
  // A sound without samples plays as a moment of silence.
  if (out.samples.empty()) out.samples.assign(static_cast<size_t>(outChannels), 0);
  return out;
}

// ---- Prefetch pool ------------------------------------------------------------

SoundPrefetcher::SoundPrefetcher(int workers) : worker_count_(std::max(1, workers)) {}

SoundPrefetcher::~SoundPrefetcher() {
  {
    std::lock_guard lock(mutex_);
    stopping_ = true;
    queue_.clear();
    jobs_.clear();
  }
  work_ready_.notify_all();
  for (auto& t : workers_) t.join();
}

void SoundPrefetcher::Add(const std::vector<std::string>& names) {
  {
    std::lock_guard lock(mutex_);
    for (const auto& name : names) {
      std::string key = SoundCacheKey(name);
      if (key.empty()) continue;
      auto& job = jobs_[key];
      if (!job) {
        job = std::make_shared<Job>();
        job->name = key;
        queue_.push_back(job);
      }
      ++job->refs;
    }
    // Workers start with the first files.
    while (!queue_.empty() && static_cast<int>(workers_.size()) < worker_count_)
      workers_.emplace_back([this] { Work(); });
  }
  work_ready_.notify_all();
}

void SoundPrefetcher::Work() {
  std::unique_lock lock(mutex_);
  for (;;) {
    work_ready_.wait(lock, [this] { return stopping_ || !queue_.empty(); });
    if (stopping_) return;
    std::shared_ptr<Job> job = queue_.front();
    queue_.pop_front();
    if (job->state != JobState::Pending) continue;
    job->state = JobState::Running;
    lock.unlock();
    DecodedSound result = DecodeSoundFile(job->name);
    lock.lock();
    job->result = std::move(result);
    job->state = JobState::Done;
    job_done_.notify_all();
  }
}

std::optional<DecodedSound> SoundPrefetcher::Take(const std::string& name) {
  std::unique_lock lock(mutex_);
  auto it = jobs_.find(SoundCacheKey(name));
  if (it == jobs_.end()) return std::nullopt;
  std::shared_ptr<Job> job = it->second;
  if (job->state == JobState::Pending) {
    // Nobody has started it: decode here rather than wait for a worker.
    job->state = JobState::Running;
    lock.unlock();
    DecodedSound result = DecodeSoundFile(job->name);
    lock.lock();
    job->result = std::move(result);
    job->state = JobState::Done;
    job_done_.notify_all();
  } else {
    job_done_.wait(lock, [&] { return job->state == JobState::Done; });
  }
  if (--job->refs > 0) return job->result;
  auto again = jobs_.find(job->name);
  if (again != jobs_.end() && again->second == job) jobs_.erase(again);
  return std::move(job->result);
}

bool SoundPrefetcher::Ready(const std::string& name) {
  std::lock_guard lock(mutex_);
  auto it = jobs_.find(SoundCacheKey(name));
  return it == jobs_.end() || it->second->state == JobState::Done;
}

void SoundPrefetcher::Clear() {
  std::lock_guard lock(mutex_);
  queue_.clear();
  jobs_.clear();
}

size_t SoundPrefetcher::Queued() {
  std::lock_guard lock(mutex_);
  return jobs_.size();
}

}  // namespace kvx
