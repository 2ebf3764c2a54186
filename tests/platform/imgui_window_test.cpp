// The Dear ImGui window helper: opening fails cleanly without OpenGL; in a real
// X window, events reach only the window they are for, the close button and
// quit are reported, frames are paced, and a window opened over another one
// gives the other one its contexts back when it closes.
#include "platform/imgui_window.h"

#include <SDL.h>
#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>
#include <memory>
#include <string>

#include "xserver.h"

namespace kvx {
namespace {

SDL_Event TextEvent(uint32_t window_id, const char* text) {
  SDL_Event e{};
  e.type = SDL_TEXTINPUT;
  e.text.windowID = window_id;
  std::strncpy(e.text.text, text, sizeof e.text.text - 1);
  return e;
}

SDL_Event CloseEvent(uint32_t window_id) {
  SDL_Event e{};
  e.type = SDL_WINDOWEVENT;
  e.window.event = SDL_WINDOWEVENT_CLOSE;
  e.window.windowID = window_id;
  return e;
}

// The characters Dear ImGui has queued for the frame being built.
int QueuedCharacters() { return ImGui::GetIO().InputQueueCharacters.Size; }

TEST(ImGuiWindow, WithoutOpenGLTheWindowDoesNotOpenAndLeavesNothingBehind) {
  setenv("SDL_VIDEODRIVER", "dummy", 1);
  ImGuiWindow window;
  ImGuiWindowSetup setup;
  setup.caption = "none";
  EXPECT_FALSE(window.Open(setup));
  EXPECT_FALSE(window.IsOpen());
  EXPECT_NE(window.error().find("can't create the window: "), std::string::npos) << window.error();
  EXPECT_EQ(ImGui::GetCurrentContext(), nullptr);
  EXPECT_EQ(window.HandleEvent(TextEvent(0, "a")), ImGuiWindow::Event::None);
  window.Close();  // nothing to close
  SDL_QuitSubSystem(SDL_INIT_VIDEO);
}

class ImGuiWindowOnX : public ::testing::Test {
 protected:
  void SetUp() override {
    x_ = std::make_unique<test::XDisplay>();
    if (!x_->Use()) GTEST_SKIP() << "No X server: " << x_->reason();
    if (SDL_InitSubSystem(SDL_INIT_VIDEO) != 0) GTEST_SKIP() << "x11 video unavailable: " << SDL_GetError();
  }
  void TearDown() override {
    // The windows are gone before the X server goes (Xlib ends the process
    // when its server disappears).
    SDL_QuitSubSystem(SDL_INIT_VIDEO);
    x_.reset();
  }

  static ImGuiWindowSetup Setup(const char* caption) {
    ImGuiWindowSetup setup;
    setup.caption = caption;
    setup.width = 320;
    setup.height = 200;
    setup.font_file = "/nonexistent/font.ttf";
    return setup;
  }

 private:
  std::unique_ptr<test::XDisplay> x_;
};

TEST_F(ImGuiWindowOnX, EventsFramesAndAWindowOverAnother) {
  ImGuiWindow menu;
  ASSERT_TRUE(menu.Open(Setup("menu"))) << menu.error();
  EXPECT_TRUE(menu.UsesBuiltInFont());  // the font file is missing
  ImGuiContext* const menu_imgui = ImGui::GetCurrentContext();
  const SDL_GLContext menu_gl = SDL_GL_GetCurrentContext();
  ASSERT_NE(menu_imgui, nullptr);
  ASSERT_NE(menu_gl, nullptr);
  menu.BeginFrame();
  ImGui::Button("Start");
  menu.EndFrame();

  {
    ImGuiWindow keys;
    ASSERT_TRUE(keys.Open(Setup("keys"))) << keys.error();
    EXPECT_NE(keys.id(), menu.id());
    EXPECT_NE(ImGui::GetCurrentContext(), menu_imgui);

    // Typed text reaches only the window it was typed into.
    EXPECT_EQ(keys.HandleEvent(TextEvent(keys.id(), "k")), ImGuiWindow::Event::None);
    EXPECT_EQ(keys.HandleEvent(TextEvent(menu.id(), "m")), ImGuiWindow::Event::None);
    EXPECT_EQ(menu.HandleEvent(TextEvent(keys.id(), "k")), ImGuiWindow::Event::None);
    keys.BeginFrame();
    EXPECT_EQ(QueuedCharacters(), 1);
    keys.EndFrame();
    menu.BeginFrame();
    EXPECT_EQ(QueuedCharacters(), 0);
    menu.EndFrame();

    // The close button is reported to its own window only; quit to every window.
    EXPECT_EQ(keys.HandleEvent(CloseEvent(keys.id())), ImGuiWindow::Event::CloseClicked);
    EXPECT_EQ(menu.HandleEvent(CloseEvent(keys.id())), ImGuiWindow::Event::None);
    SDL_Event quit{};
    quit.type = SDL_QUIT;
    EXPECT_EQ(keys.HandleEvent(quit), ImGuiWindow::Event::Quit);
    EXPECT_EQ(menu.HandleEvent(quit), ImGuiWindow::Event::Quit);

    // Three frames take at least two frame times (16 ms each), swap or no swap.
    const uint32_t start = SDL_GetTicks();
    for (int i = 0; i < 3; ++i) {
      keys.BeginFrame();
      keys.EndFrame();
    }
    EXPECT_GE(SDL_GetTicks() - start, 32u);
  }

  // Closing the window opened over the menu gives the menu its contexts back.
  EXPECT_EQ(ImGui::GetCurrentContext(), menu_imgui);
  EXPECT_EQ(SDL_GL_GetCurrentContext(), menu_gl);
  menu.BeginFrame();
  ImGui::Button("Start");
  menu.EndFrame();
  menu.Close();
  EXPECT_FALSE(menu.IsOpen());
  EXPECT_EQ(ImGui::GetCurrentContext(), nullptr);
}

}  // namespace
}  // namespace kvx
