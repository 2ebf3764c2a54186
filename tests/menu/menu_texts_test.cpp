// The texts the startup menu and the calibration window draw, in each
// language, captured from Dear ImGui's text log while the controls are drawn
// in a context the size of the window, with the windows' own font: the search
// panel's progress, marks and lines, the network line, the calibration's
// lines and buttons; and the address field's room for an IPv6 address.
#include <gtest/gtest.h>

#include <fstream>
#include <string>
#include <utility>
#include <vector>

#include "app/game.h"
#include "app/japanese_text.h"
#include "app/texts.h"
#include "imgui.h"
#include "imgui_internal.h"
#include "library/library_state.h"
#include "media/display_internal.h"
#include "menu/calibration.h"
#include "menu/menu_layout.h"
#include "menu/menu_search.h"
#include "menu/menu_window_support.h"
#include "net/net_setup.h"
#include "test_support.h"

namespace kvx {
namespace {

using test::HoldsJapanese;

constexpr const char* kLongestIpv6 = "fd12:3456:789a:bcde:f012:3456:789a:bcde";

// A Dear ImGui context with the windows' font (Japanese glyphs and those of
// every table) at `size`, `width` x `height` pixels.
class WindowContext {
 public:
  WindowContext(float width, float height, float size) : context_(ImGui::CreateContext()) {
    ImGuiIO& io = ImGui::GetIO();
    io.IniFilename = nullptr;
    io.DisplaySize = ImVec2(width, height);
    io.DeltaTime = 1.0f / 60;
    io.ClipboardUserData = &drawn_;
    io.SetClipboardTextFn = [](void* drawn, const char* text) { *static_cast<std::string*>(drawn) += text; };
    ImGui::StyleColorsClassic();
    ImFontGlyphRangesBuilder builder;
    builder.AddRanges(io.Fonts->GetGlyphRangesJapanese());
    for (const std::string& text : MenuWindowTexts()) builder.AddText(text.c_str());
    builder.BuildRanges(&ranges_);
    int index = 0;
    const std::string font = FindFontFile("ＭＳ Ｐゴシック", &index);
    ImFontConfig config;
    config.FontNo = index;
    found_font_ = !font.empty() && std::ifstream(font, std::ios::binary).good() &&
                  io.Fonts->AddFontFromFileTTF(font.c_str(), size, &config, ranges_.Data);
    if (!found_font_) io.Fonts->AddFontDefault();
    unsigned char* pixels = nullptr;
    int w = 0, h = 0;
    io.Fonts->GetTexDataAsRGBA32(&pixels, &w, &h);
  }
  ~WindowContext() { ImGui::DestroyContext(context_); }
  bool found_font() const { return found_font_; }

  // Runs `draw` in two frames (the second one laid out with what the first
  // measured) and returns the texts the second one drew in its window (the
  // log ends with the window, and goes to the "clipboard" kept here).
  template <class Draw>
  std::string Frame(Draw draw) {
    ImGui::NewFrame();
    draw();
    ImGui::Render();
    drawn_.clear();
    ImGui::NewFrame();
    ImGui::LogToClipboard();
    draw();
    ImGui::Render();
    return drawn_;
  }

 private:
  ImGuiContext* context_;
  std::string drawn_;
  ImVector<ImWchar> ranges_;
  bool found_font_ = false;
};

bool Has(const std::string& drawn, const std::string& text) { return drawn.find(text) != std::string::npos; }

// A menu after a search of two folders, one of them missing, with a folder
// added twice and an address that is not one typed.
struct SearchedMenu {
  test::TempFolder dir;
  Game g;
  explicit SearchedMenu(const char* code) {
    test::UseHeadlessGame(g, dir.path());
    g.settings.Language = code;
    MenuState& m = g.menu;
    OpenSearchPanel(g);
    AddChosenFolder(g, "/songs/pack");
    AddChosenFolder(g, "/songs/gone");
    AddChosenFolder(g, "/songs/pack");  // already there
    m.progress = MenuSearchProgress{true, 2, 2, 4, 4};
    g.library.SearchResults = {{"/songs/pack", true, 4}, {"/songs/gone", false, 0}};
    m.search_outcome = MenuState::SearchOutcome::Complete;
    m.txtHost = "host:port";
    FindSessions(g);
  }
};

// The texts drawn for a menu: with the status line, then (once it is
// cleared) with the search's totals.
std::string DrawnMenu(WindowContext& window, SearchedMenu& menu) {
  std::string drawn = window.Frame([&] { DrawStartupMenu(menu.g); });
  menu.g.menu.status.clear();
  return drawn + window.Frame([&] { DrawStartupMenu(menu.g); });
}

TEST(MenuTexts, SearchPanelAndNetworkLinesAreInTheChosenLanguage) {
  WindowContext window(kMenuWidth, 1000, 16.0f);
  const std::pair<const char*, std::vector<std::string>> expected[] = {
      {"ja",
       {"フォルダ 2 / 2", "譜面 4 / 4", "/songs/pack   [4譜面]", "/songs/gone   [見つかりません]",
        "すでにリストにあります: /songs/pack", "検索完了: 4譜面(2フォルダを検索)、1フォルダが見つかりません。",
        "アドレスではありません: \"host:port\" (ホスト名かIP、必要なら :ポート)"}},
      {"en",
       {"folder 2 of 2", "4 of 4 charts", "/songs/pack   [4 charts]", "/songs/gone   [not found]",
        "Already in the list: /songs/pack", "Scan complete: 4 charts in 2 folders; 1 folder not found.",
        "Not an address: \"host:port\" (host name or IP, optional :port)"}},
  };
  for (const auto& [code, texts] : expected) {
    SCOPED_TRACE(code);
    SearchedMenu menu(code);
    const std::string drawn = DrawnMenu(window, menu);
    for (const std::string& text : texts) EXPECT_TRUE(Has(drawn, text)) << text << "\n" << drawn;
    EXPECT_EQ(HoldsJapanese(drawn), code == std::string("ja")) << drawn;
    // The log keeps English.
    EXPECT_NE(menu.dir.Read("_kvxfiles/debug.txt")
                  .find("[Net] Not an address: \"host:port\" (host name or IP, optional :port)"),
              std::string::npos);
  }
  // The line under the list follows a change of language at once.
  SearchedMenu menu("en");
  DrawnMenu(window, menu);
  menu.g.settings.Language = "ja";
  EXPECT_TRUE(Has(window.Frame([&] { DrawStartupMenu(menu.g); }), "検索完了: 4譜面(2フォルダを検索)"));
}

// A whole IPv6 address fits the address field, in both languages, and the
// field's row stays inside the window and clear of the other controls.
TEST(MenuTexts, TheAddressFieldHoldsAnIPv6Address) {
  WindowContext window(kMenuWidth, 1000, 16.0f);
  EXPECT_TRUE(window.found_font()) << "the Japanese font was not found: the widths are the built-in font's";
  for (const Language& l : Languages()) {
    SCOPED_TRACE(l.code);
    SearchedMenu menu(l.code);
    menu.g.menu.txtHost = kLongestIpv6;
    window.Frame([&] { DrawStartupMenu(menu.g); });
    const auto& rects = menu.g.menu.control_rects;
    ASSERT_TRUE(rects.count("txtHost"));
    const MenuControlRect field = rects.at("txtHost");
    const float needed = ImGui::CalcTextSize(kLongestIpv6).x + 2 * ImGui::GetStyle().FramePadding.x;
    EXPECT_GE(field.x1 - field.x0, needed);
    for (const auto& [name, a] : rects) {
      EXPECT_GE(a.x0, 0) << name;
      EXPECT_LE(a.x1, kMenuWidth) << name;
      for (const auto& [other, b] : rects)
        if (other > name) EXPECT_TRUE(test::Apart(a, b)) << name << " overlaps " << other;
    }
  }
}

// The calibration window's lines and buttons in each language, and all of
// them inside the window.
TEST(MenuTexts, CalibrationWindowIsInTheChosenLanguageAndFits) {
  WindowContext window(kCalibrationWindowWidth, kCalibrationWindowHeight, 15.0f);
  Game g;
  g.settings.JudgeOffsetMs = -12;
  const CalibrationSummary taps{8, 30, 7};
  const auto fits = [&] {
    const ::ImGuiWindow* w = ImGui::FindWindowByName("calibration");
    ASSERT_NE(w, nullptr);
    const ImVec2 pad = ImGui::GetStyle().WindowPadding;
    EXPECT_LE(w->ContentSize.x + 2 * pad.x, kCalibrationWindowWidth);
    EXPECT_LE(w->ContentSize.y + 2 * pad.y, kCalibrationWindowHeight);
  };

  g.settings.Language = "ja";
  const std::string ja = window.Frame([&] { DrawCalibrationFrame(g, taps, false, true); });
  for (const char* text : {"ビートに合わせて好きなキーを叩いてください", "サウンドデバイスがありません",
                           "タップ: 8   平均のずれ: +30 ms   ばらつき: 7 ms   (現在の判定オフセット -12 ms)",
                           "判定オフセットとして保存", "やり直す", "閉じる"})
    EXPECT_TRUE(Has(ja, text)) << text << "\n" << ja;
  fits();

  g.settings.Language = "en";
  const std::string en = window.Frame([&] { DrawCalibrationFrame(g, taps, false, false); });
  for (const char* text : {"Tap any key with the beat", "No sound device: tap with the flashing box.",
                           "Taps: 8   mean offset: +30 ms   spread: 7 ms   (judge offset now -12 ms)",
                           "Save as judge offset", "Start again", "Close"})
    EXPECT_TRUE(Has(en, text)) << text << "\n" << en;
  EXPECT_FALSE(HoldsJapanese(en)) << en;
  fits();
}

}  // namespace
}  // namespace kvx
