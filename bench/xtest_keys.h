#pragma once
// Real key presses for benchmarks: XTest through the X libraries loaded at
// run time (no build dependency). The presses reach the game window like a
// keyboard's, through the X server, at times the sender knows.
#include <dlfcn.h>

#include <string>

namespace kvx::bench {

class XTestKeys {
 public:
  // Opens its own connection to the display in DISPLAY; ok() says whether it could.
  XTestKeys() {
    x11_ = dlopen("libX11.so.6", RTLD_NOW | RTLD_LOCAL);
    xtst_ = dlopen("libXtst.so.6", RTLD_NOW | RTLD_LOCAL);
    if (!x11_ || !xtst_) return;
    open_ = reinterpret_cast<void* (*)(const char*)>(dlsym(x11_, "XOpenDisplay"));
    close_ = reinterpret_cast<int (*)(void*)>(dlsym(x11_, "XCloseDisplay"));
    flush_ = reinterpret_cast<int (*)(void*, int)>(dlsym(x11_, "XSync"));
    keycode_ = reinterpret_cast<unsigned char (*)(void*, unsigned long)>(dlsym(x11_, "XKeysymToKeycode"));
    fake_ = reinterpret_cast<int (*)(void*, unsigned, int, unsigned long)>(dlsym(xtst_, "XTestFakeKeyEvent"));
    motion_ = reinterpret_cast<int (*)(void*, int, int, int, unsigned long)>(dlsym(xtst_, "XTestFakeMotionEvent"));
    if (open_ && close_ && flush_ && keycode_ && fake_ && motion_) display_ = open_(nullptr);
  }
  ~XTestKeys() {
    if (display_) close_(display_);
    if (xtst_) dlclose(xtst_);
    if (x11_) dlclose(x11_);
  }
  bool ok() const { return display_ != nullptr; }
  // Puts the pointer at (x, y) of the screen (the focus follows it).
  void MovePointer(int x, int y) {
    motion_(display_, -1, x, y, 0);
    flush_(display_, 0);
  }
  // Presses or releases the key of an X keysym (0x7a: z, 0xff0d: Return), at once.
  void Key(unsigned long keysym, bool down) {
    fake_(display_, keycode_(display_, keysym), down ? 1 : 0, 0);
    flush_(display_, 0);
  }

 private:
  void* x11_ = nullptr;
  void* xtst_ = nullptr;
  void* display_ = nullptr;
  void* (*open_)(const char*) = nullptr;
  int (*close_)(void*) = nullptr;
  int (*flush_)(void*, int) = nullptr;
  unsigned char (*keycode_)(void*, unsigned long) = nullptr;
  int (*fake_)(void*, unsigned, int, unsigned long) = nullptr;
  int (*motion_)(void*, int, int, int, unsigned long) = nullptr;
};

}  // namespace kvx::bench
