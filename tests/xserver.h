#pragma once
// An X server for a test's duration: the one in DISPLAY, else an Xvfb started
// for the test and stopped when the object goes away.
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <thread>

namespace kvx::test {

class XServer {
 public:
  XServer() {
    if (const char* d = std::getenv("DISPLAY"); d && *d) {
      display_ = d;
      return;
    }
    if (!std::filesystem::exists("/usr/bin/Xvfb") && std::system("command -v Xvfb >/dev/null 2>&1") != 0) {
      reason_ = "no DISPLAY and no Xvfb binary (install the xvfb package)";
      return;
    }
    // Tests run in parallel: Xvfb picks a free display number itself and
    // writes it to the pipe once it accepts connections.
    int fds[2];
    if (pipe(fds) != 0) {
      reason_ = "pipe failed";
      return;
    }
    pid_ = fork();
    if (pid_ == 0) {
      close(fds[0]);
      const std::string fd = std::to_string(fds[1]);
      execlp("Xvfb", "Xvfb", "-displayfd", fd.c_str(), "-screen", "0", "1024x768x24", "-nolisten", "tcp",
             static_cast<char*>(nullptr));
      _exit(127);
    }
    close(fds[1]);
    std::string number;
    char c;
    while (read(fds[0], &c, 1) == 1 && c != '\n') number += c;
    close(fds[0]);
    if (number.empty()) {
      reason_ = "Xvfb did not start";
      return;
    }
    display_ = ":" + number;
  }
  ~XServer() {
    if (pid_ > 0) {
      kill(pid_, SIGTERM);
      waitpid(pid_, nullptr, 0);
    }
  }
  const std::string& display() const { return display_; }
  const std::string& reason() const { return reason_; }

 private:
  pid_t pid_ = -1;
  std::string display_, reason_;
};

// An X server (as XServer finds or starts one) that SDL is pointed at from
// Use() on. Going away, it puts the dummy video driver and the DISPLAY from
// before back and stops the server it started; the windows must be closed
// first (Xlib ends the process when its server disappears).
class XDisplay {
 public:
  XDisplay() = default;
  ~XDisplay() {
    if (!used_) return;
    setenv("SDL_VIDEODRIVER", "dummy", 1);
    if (had_display_) setenv("DISPLAY", old_display_.c_str(), 1);
    else unsetenv("DISPLAY");
  }
  XDisplay(const XDisplay&) = delete;
  XDisplay& operator=(const XDisplay&) = delete;
  const std::string& display() const { return server_.display(); }
  const std::string& reason() const { return server_.reason(); }
  // SDL's next video start opens windows on this server; false without one.
  bool Use() {
    if (display().empty()) return false;
    setenv("DISPLAY", display().c_str(), 1);
    setenv("SDL_VIDEODRIVER", "x11", 1);
    used_ = true;
    return true;
  }

 private:
  bool had_display_ = std::getenv("DISPLAY") != nullptr;
  std::string old_display_ = had_display_ ? std::getenv("DISPLAY") : "";
  XServer server_;  // made after the old DISPLAY is kept
  bool used_ = false;
};

// Runs body with SDL on an X server, then puts the dummy video driver and the
// old DISPLAY back. False (body not run) without an X server; `reason` then
// says why.
template <typename Body>
bool RunOnXServer(Body&& body, std::string* reason = nullptr) {
  XDisplay x;
  if (!x.Use()) {
    if (reason) *reason = x.reason();
    return false;
  }
  body();
  return true;
}

}  // namespace kvx::test
