#pragma once
// The texts a player reads on screen, one table per language. Each table is a
// Texts filled by name in its own file (texts_ja.cpp, texts_en.cpp); a new
// language is one more file and one more line in Languages(). Log lines, file
// formats and network messages are not here: they never change with the
// language.
#include <initializer_list>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace kvx {

struct Game;

// Every entry is a UTF-8 text; no entry may be left out (a test checks it).
struct Texts {
  // The startup menu: buttons and labels.
  const char* menu_search;
  const char* menu_add;
  const char* menu_remove;
  const char* menu_search_start;
  const char* menu_no_limit;
  const char* menu_key_config;
  const char* menu_server;
  const char* menu_connect;
  const char* menu_start;
  const char* menu_wait_label;
  const char* menu_player_name;
  const char* menu_skin;
  const char* menu_preview;
  const char* menu_offsets;
  const char* menu_calibrate;
  const char* menu_language;
  const char* menu_host_hint;
  const char* menu_empty_folder;
  const char* menu_search_hint;

  // The key configuration window.
  const char* key_config_caption;
  const char* key_config_ok;
  const char* key_config_cancel;
  const char* key_config_defaults;
  const char* key_config_clear;
  const char* key_config_xy;
  const char* key_config_xy_note;
  const char* key_config_special_group;
  const char* key_config_special_note1;
  const char* key_config_special_note2;
  const char* key_config_instruction;
  const char* key_config_instruction_modern;
  const char* key_config_controller_label;
  const char* key_config_modern_box;
  const char* key_config_picture_heading;
  const char* key_config_test_heading;
  const char* key_config_turn_direction;
  const char* key_config_save_failed;
  const char* key_config_column_function;
  const char* key_config_column_name;
  const char* key_config_column_keys;
  const char* key_config_none;
  const char* key_config_lane_key;
  const char* key_config_scratch_left;
  const char* key_config_scratch_right;
  const char* key_config_system_functions[8];
  const char* key_config_joystick;
  const char* key_config_joystick_button;
  const char* key_config_stick[4];
  const char* key_config_code;
  const char* key_config_tip_row;
  const char* key_config_tip_remove;
  const char* key_config_tip_modern;
  const char* key_config_tip_test;
  const char* key_config_tip_xy;
  const char* key_config_tip_default;
  const char* key_config_tip_clear;
  const char* key_config_tip_ok;
  const char* key_config_tip_cancel;

  // The startup menu's check boxes.
  const char* chk_clear_list;
  const char* chk_course_effect;
  const char* chk_realtime_stretch;
  const char* chk_no_vsync;
  const char* chk_direct_blt;
  const char* chk_no_smooth;
  const char* chk_endless;
  const char* chk_dont_stretch;
  const char* chk_preview;
  const char* chk_bga_release;
  const char* chk_modern_charts;
  const char* chk_timing_feedback;
  const char* chk_timing_offset_ms;

  // The startup menu's drop-down lists: captions and entries.
  const char* cmb_draw_limit;
  const char* draw_limit_none;
  const char* draw_limit_some;
  const char* draw_limit_strong;
  const char* cmb_colours;
  const char* colours_8;
  const char* colours_16;
  const char* colours_24;
  const char* colours_32;
  const char* cmb_course_loading;
  const char* cmb_bga_loading;
  const char* cmb_sound_loading;
  const char* loading_progressive;
  const char* loading_per_song;
  const char* loading_all_first;
  const char* cmb_scaling;
  const char* scaling_whole;
  const char* scaling_fit;

  // The startup menu's volume sliders.
  const char* volume_master;
  const char* volume_keys;
  const char* volume_background;
  const char* volume_system;

  // The folder chooser.
  const char* chooser_title;
  const char* chooser_ok;
  const char* chooser_cancel;

  // Song select: the two help lines of each list, the keys added at the right
  // of the second line, the search line, and the questions ("{}" stands for
  // the course's name).
  const char* help_jukebox_1;
  const char* help_jukebox_2;
  const char* help_songs_1;
  const char* help_songs_2;
  const char* help_courses_1;
  const char* help_courses_2;
  const char* help_course_name;
  const char* help_net_wait_choice;
  const char* help_net_wait_loading;
  const char* help_extra_jukebox;
  const char* help_extra_songs;
  const char* help_extra_courses;
  const char* search_label;
  const char* search_keys_typing;
  const char* search_keys_kept;
  const char* question_quit;
  const char* question_delete_course;

  // The course editor.
  const char* editor_title;
  const char* editor_keys;
  const char* editor_course_name;
  const char* editor_stars;
  const char* editor_add_song;
  const char* editor_help_name;
  const char* editor_help_name_typing;
  const char* editor_help_stars;
  const char* editor_help_song;
  const char* editor_help_add;

  // Play, result and ranking. The ranking's line is drawn with the skin's
  // bitmap font, which has ASCII letters only.
  const char* pause_keys;
  const char* result_keys;
  const char* result_keys_retry;
  const char* result_net_wait;
  const char* ranking_keys;

  // Message boxes.
  const char* message_key_table_reset;
  const char* message_no_charts;
  const char* message_no_network;
  const char* message_joystick_failed;

  // The startup menu's tooltips, the folder chooser's texts and the network lines.
  const char* tip_clear_list;
  const char* tip_course_effect;
  const char* tip_realtime_stretch;
  const char* tip_no_vsync;
  const char* tip_direct_blt;
  const char* tip_no_smooth;
  const char* tip_endless;
  const char* tip_dont_stretch;
  const char* tip_preview;
  const char* tip_bga_release;
  const char* tip_modern_charts;
  const char* tip_timing_feedback;
  const char* tip_timing_offset_ms;
  const char* tip_draw_limit;
  const char* tip_colours;
  const char* tip_course_loading;
  const char* tip_bga_loading;
  const char* tip_sound_loading;
  const char* tip_scaling;
  const char* tip_volume_master;
  const char* tip_volume_keys;
  const char* tip_volume_background;
  const char* tip_volume_system;
  const char* tip_skin;
  const char* tip_judge_offset;
  const char* tip_visual_offset;
  const char* tip_calibrate;
  const char* tip_player_name;
  const char* tip_preview_wait;
  const char* tip_language;
  const char* tip_folder_checked;
  const char* tip_folder_list;
  const char* tip_progress_folders;
  const char* tip_progress_charts;
  const char* tip_add;
  const char* tip_remove;
  const char* tip_no_limit;
  const char* tip_search_start;
  const char* tip_search;
  const char* tip_key_config;
  const char* tip_server;
  const char* tip_host;
  const char* tip_connect;
  const char* tip_start;
  const char* chooser_folder;
  const char* chooser_hint;
  const char* chooser_no_folder;
  const char* tip_chooser_field;
  const char* tip_chooser_ok;
  const char* tip_chooser_cancel;
  const char* menu_join_at;
  const char* menu_players;
  const char* menu_host_mark;

  // The search panel's progress and status lines. "{}" stands for a value,
  // filled in order; the counts have a form for one and for more.
  const char* search_progress_folders;  // folder {} of {}
  const char* search_progress_charts;   // {} of {} charts
  const char* search_charts[2];
  const char* search_folders[2];
  const char* search_totals;          // {charts} in {folders}
  const char* search_missing;         // ; {folders} not found
  const char* search_without_charts;  // ; {folders} without charts
  const char* search_done;
  const char* search_done_no_charts;
  const char* search_done_unsaved;
  const char* search_lists_unsaved;   // {list file names}
  const char* search_mark_missing;
  const char* search_mark_empty;
  const char* search_already_listed;  // {folder}
  const char* search_unstorable;      // {folder}
  const char* search_list_unsaved;    // {file}

  // The network battle's lines in the startup menu and its message box.
  const char* net_hosting;         // {port}
  const char* net_host_failed;     // {reason}
  const char* net_not_an_address;  // {typed text}
  const char* net_no_ipv6;         // {typed text}
  const char* net_connecting;      // {host:port}
  const char* net_join_failed;     // {reason}
  const char* net_no_answer;
  const char* net_joined;          // {player number}
  const char* net_session_ended;
  const char* net_no_player_list;
  const char* message_standalone;

  // The calibration window.
  const char* calibration_caption;
  const char* calibration_instructions;
  const char* calibration_no_sound;
  const char* calibration_summary;  // taps, mean, spread, judge offset
  const char* calibration_save;
  const char* calibration_again;
  const char* calibration_close;
};

struct Language {
  const char* code;  // the value of the setting Language
  const char* name;  // in its own language, as the menu lists it
  const Texts* texts;
};

extern const Texts kTextsJa;
extern const Texts kTextsEn;

// Every language, the default (the classic texts, "ja") first.
std::span<const Language> Languages();
// The table of a Language setting; an unknown code gives the default.
const Texts& TextsFor(std::string_view code);
const Texts& TextsOf(const Game& game);
// `text` with its "{}" replaced by `value`.
std::string TextWith(const char* text, const std::string& value);
// `text` with each "{}" replaced by the next of `values` in one pass (a value
// holding "{}" stays as it is); a "{}" without a value is left.
std::string TextWith(const char* text, std::initializer_list<std::string> values);
// A count in the form for one or for more ("{}" is the count).
std::string CountText(const char* const (&forms)[2], int count);
// The entries of a table in declaration order (for checks and font glyphs).
std::vector<const char*> TextEntries(const Texts& texts);

}  // namespace kvx
