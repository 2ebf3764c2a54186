#include "menu/key_config_texts.h"

#include "app/game.h"

namespace kvx {

const KeyConfigTexts& KeyConfigTextsJa() {
  static const KeyConfigTexts t = {
      .caption = "KeyConfig",
      .ok = "設定完了",
      .cancel = "キャンセル",
      .defaults = "初期状態",
      .clear = "クリア",
      .xy = "XY軸移動を検知",
      .xy_note = "方向入力を検知します。結構敏感に反応する設定にしてます。",
      .special_group = "特殊キー",
      .special_note1 = "コントローラー用。キーボード時は不要です。",
      .special_note2 = "ESCをSTART、★をSELECTに割り当てると吉。",
      .instruction = "設定したいボタンをクリックして、そのキーを押してください。1,2でも移動可能です。",
      .instruction_modern = "設定したい行をクリックしてキーを押すと、その行のキーと置き換えます(1,2も可)。"
                            "Shiftを押しながら押すと追加します。キーの×をクリックすると外します。",
      .controller_label = "コントローラはID1,2のみ有効です。認識数:",
      .modern_box = "押すと置き換え、Shift+押すと追加",
      .picture_heading = "コントローラ",
      .test_heading = "テスト: キーを押すとそのレーンが光ります",
      .turn_direction = "(回転方向)",
      .save_failed = "キーコンフィグを保存できませんでした。",
      .column_function = "機能",
      .column_name = "名前",
      .column_keys = "キー",
      .none = "(なし)",
      .lane_key = "鍵盤",
      .scratch_left = "皿(左回転)",
      .scratch_right = "皿(右回転)",
      .system_functions = {"ESC", "TAB", "決定", "上", "下", "左", "右", "★"},
      .joystick = "Joy",
      .joystick_button = "ボタン",
      .stick = {"左", "右", "上", "下"},
      .code = "コード",
      .tip_row = "クリックして選び、割り当てるキーを押します。",
      .tip_remove = "クリックするとこのキーを外します。",
      .tip_modern = "外すと昔ながらの設定方法です(押したキーを追加し、1,2で選択を移動)。",
      .tip_test = "いま押しているキーのレーンが光ります。",
      .tip_xy = "スティックの方向をボタンとして扱います。",
      .tip_default = "初期状態のキーに戻します(他のキーはそのまま)。",
      .tip_clear = "すべての機能からキーを外します。",
      .tip_ok = "キー設定を保存して閉じます。",
      .tip_cancel = "保存せずに閉じます。",
  };
  return t;
}

const KeyConfigTexts& KeyConfigTextsEn() {
  static const KeyConfigTexts t = {
      .caption = "Key configuration",
      .ok = "OK",
      .cancel = "Cancel",
      .defaults = "Defaults",
      .clear = "Clear all",
      .xy = "Detect stick (XY) movement",
      .xy_note = "Stick directions count as buttons; they react quite sensitively.",
      .special_group = "Special keys",
      .special_note1 = "For controllers; not needed with a keyboard.",
      .special_note2 = "Tip: put ESC on START and ★ on SELECT.",
      .instruction = "Click the function to set, then press its key. Keys 1 and 2 also move the selection.",
      .instruction_modern = "Click a row, then press a key: it replaces the row's keys (1 and 2 too). Hold "
                            "Shift while pressing to add it instead. Click × on a key to remove it.",
      .controller_label = "Only controllers ID1 and ID2 are used. Found: ",
      .modern_box = "Press replaces, Shift+press adds",
      .picture_heading = "Controller",
      .test_heading = "Test: press a key and its lane lights up",
      .turn_direction = "(turn direction)",
      .save_failed = "The key configuration could not be saved.",
      .column_function = "Function",
      .column_name = "Name",
      .column_keys = "Keys",
      .none = "(none)",
      .lane_key = "key ",
      .scratch_left = "scratch (left)",
      .scratch_right = "scratch (right)",
      .system_functions = {"Escape", "Tab", "Enter", "Up", "Down", "Left", "Right", "Star"},
      .joystick = "Joy",
      .joystick_button = "Button ",
      .stick = {"Left", "Right", "Up", "Down"},
      .code = "Code ",
      .tip_row = "Click to select this function, then press the key to bind.",
      .tip_remove = "Click to remove this key.",
      .tip_modern = "Off: the classic way (a press adds the key; 1 and 2 move the selection).",
      .tip_test = "Lanes light up while their keys are held.",
      .tip_xy = "Let stick directions count as buttons.",
      .tip_default = "Put back the default keys (other keys stay).",
      .tip_clear = "Remove every key from every function.",
      .tip_ok = "Save the keys and close.",
      .tip_cancel = "Close without saving.",
  };
  return t;
}

const KeyConfigTexts& KeyConfigTextsOf(const Game& g) {
  return g.settings.Language == "en" ? KeyConfigTextsEn() : KeyConfigTextsJa();
}

std::vector<const char*> KeyConfigTextEntries(const KeyConfigTexts& t) {
  std::vector<const char*> e = {t.caption,        t.ok,           t.cancel,          t.defaults,
                                t.clear,          t.xy,           t.xy_note,         t.special_group,
                                t.special_note1,  t.special_note2, t.instruction,    t.instruction_modern,
                                t.controller_label, t.modern_box, t.picture_heading, t.test_heading,
                                t.turn_direction, t.save_failed,  t.column_function, t.column_name,
                                t.column_keys,    t.none,         t.lane_key,        t.scratch_left,
                                t.scratch_right,  t.joystick,     t.joystick_button, t.code,
                                t.tip_row,        t.tip_remove,   t.tip_modern,      t.tip_test,
                                t.tip_xy,         t.tip_default,  t.tip_clear,       t.tip_ok,
                                t.tip_cancel};
  for (const char* s : t.system_functions) e.push_back(s);
  for (const char* s : t.stick) e.push_back(s);
  return e;
}

}  // namespace kvx
