#include "app/texts.h"

#include <bit>
#include <array>

#include "app/game.h"

namespace kvx {

namespace {

constexpr size_t kEntryCount = sizeof(Texts) / sizeof(const char*);
static_assert(sizeof(Texts) == kEntryCount * sizeof(const char*), "Texts holds only text entries");

constexpr Language kLanguages[] = {
    {"ja", "日本語", &kTextsJa},
    {"en", "English", &kTextsEn},
};

}  // namespace

std::span<const Language> Languages() { return kLanguages; }

const Texts& TextsFor(std::string_view code) {
  for (const Language& l : kLanguages)
    if (code == l.code) return *l.texts;
  return *kLanguages[0].texts;
}

const Texts& TextsOf(const Game& g) { return TextsFor(g.settings.Language); }

std::string TextWith(const char* text, const std::string& value) {
  return TextWith(text, std::initializer_list<std::string>{value});
}

std::string TextWith(const char* text, std::initializer_list<std::string> values) {
  std::string out;
  const std::string_view in = text;
  auto value = values.begin();
  size_t from = 0;
  for (size_t at = in.find("{}"); at != std::string_view::npos && value != values.end(); at = in.find("{}", from)) {
    out.append(in.substr(from, at - from)).append(*value++);
    from = at + 2;
  }
  return out.append(in.substr(from));
}

std::string CountText(const char* const (&forms)[2], int count) {
  return TextWith(forms[count == 1 ? 0 : 1], std::to_string(count));
}

std::vector<const char*> TextEntries(const Texts& texts) {
  const auto entries = std::bit_cast<std::array<const char*, kEntryCount>>(texts);
  return {entries.begin(), entries.end()};
}

}  // namespace kvx
