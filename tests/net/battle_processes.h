#pragma once
// Whole korvex programs in a battle on loopback: each copy runs headless in
// demo mode from a program folder of its own (the generated data and one
// demo song), playing the same chart; the first hosts on a free port, the
// others join it. Every process started here is ended by its id.
#include <fcntl.h>
#include <netinet/in.h>
#include <signal.h>
#include <spawn.h>
#include <sys/socket.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

extern char** environ;

namespace kvx::test {

namespace battle_fs = std::filesystem;

// A UDP port on 127.0.0.1 that nothing uses right now.
inline uint16_t FreeUdpPort() {
  const int s = socket(AF_INET, SOCK_DGRAM, 0);
  sockaddr_in a{};
  a.sin_family = AF_INET;
  a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  bind(s, reinterpret_cast<sockaddr*>(&a), sizeof a);
  socklen_t n = sizeof a;
  getsockname(s, reinterpret_cast<sockaddr*>(&a), &n);
  close(s);
  return ntohs(a.sin_port);
}

inline uint64_t SteadyNowMs() {
  using namespace std::chrono;
  return duration_cast<milliseconds>(steady_clock::now().time_since_epoch()).count();
}

class BattleProcesses {
 public:
  // song_folder and chart: a demo song of the build folder.
  BattleProcesses(int copies, const std::string& song_folder, const std::string& chart)
      : root_(battle_fs::temp_directory_path() / ("kvx_battle_" + std::to_string(getpid()) + "_" +
                                                  std::to_string(SteadyNowMs()))) {
    const battle_fs::path build(KVX_BUILD_DIR);
    const uint16_t port = FreeUdpPort();
    for (int i = 0; i < copies; ++i) {
      const battle_fs::path folder = root_ / ("p" + std::to_string(i + 1));
      battle_fs::create_directories(folder / "songs");
      battle_fs::copy(build / "_kvxfiles", folder / "_kvxfiles", battle_fs::copy_options::recursive);
      for (const char* leftover : {"kvx_conf.ini", "kvx_keycnf.dat", "debug.txt"})
        battle_fs::remove(folder / "_kvxfiles" / leftover);
      battle_fs::remove_all(folder / "_kvxfiles" / "jukelist");
      battle_fs::create_directories(folder / "_kvxfiles" / "jukelist");
      battle_fs::copy(build / "songs" / song_folder, folder / "songs" / song_folder,
                      battle_fs::copy_options::recursive);
      folders_.push_back(folder);
      std::vector<std::string> args = {(build / "korvex").string(), "--data", folder.string(), "--headless",
                                       "--autoplay", "--bind", "127.0.0.1", "--name", "P" + std::to_string(i + 1)};
      if (i == 0) {
        args.insert(args.end(), {"--host", std::to_string(port), "--players", std::to_string(copies)});
      } else {
        args.insert(args.end(), {"--join", "127.0.0.1:" + std::to_string(port)});
      }
      args.push_back((folder / "songs" / song_folder / chart).string());
      pids_.push_back(Spawn(args));
      // The host is listening before the others knock.
      if (i == 0) WaitFor([&] { return Log(0).find("[Session] hosting") != std::string::npos; }, 20000);
    }
  }
  ~BattleProcesses() {
    for (size_t i = 0; i < pids_.size(); ++i) Kill(i);
    std::error_code ignored;
    battle_fs::remove_all(root_, ignored);
  }

  size_t size() const { return pids_.size(); }
  std::string Log(size_t i) const {
    std::ifstream in(folders_[i] / "_kvxfiles" / "debug.txt", std::ios::binary);
    std::stringstream s;
    s << in.rdbuf();
    return s.str();
  }
  bool Logged(size_t i, const std::string& line) const { return Log(i).find(line) != std::string::npos; }
  size_t Count(size_t i, const std::string& line) const {
    const std::string log = Log(i);
    size_t n = 0;
    for (size_t at = log.find(line); at != std::string::npos; at = log.find(line, at + 1)) ++n;
    return n;
  }
  void Signal(size_t i, int signal) {
    if (pids_[i] > 0) ::kill(pids_[i], signal);
  }
  // SIGKILL and reap (a stopped process is killed as well).
  void Kill(size_t i) {
    if (pids_[i] <= 0) return;
    ::kill(pids_[i], SIGKILL);
    waitpid(pids_[i], nullptr, 0);
    pids_[i] = -1;
  }
  template <typename Done>
  static bool WaitFor(Done done, uint32_t limit_ms) {
    const uint64_t start = SteadyNowMs();
    while (SteadyNowMs() - start < limit_ms) {
      if (done()) return true;
      std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
    return done();
  }

 private:
  static pid_t Spawn(const std::vector<std::string>& args) {
    std::vector<char*> argv;
    for (const auto& a : args) argv.push_back(const_cast<char*>(a.c_str()));
    argv.push_back(nullptr);
    setenv("SDL_VIDEODRIVER", "dummy", 1);
    setenv("ALSOFT_DRIVERS", "null", 1);
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, 1, "/dev/null", O_WRONLY, 0);
    posix_spawn_file_actions_addopen(&actions, 2, "/dev/null", O_WRONLY, 0);
    pid_t pid = -1;
    if (posix_spawn(&pid, argv[0], &actions, nullptr, argv.data(), environ) != 0) pid = -1;
    posix_spawn_file_actions_destroy(&actions);
    return pid;
  }

  battle_fs::path root_;
  std::vector<battle_fs::path> folders_;
  std::vector<pid_t> pids_;
};

}  // namespace kvx::test
