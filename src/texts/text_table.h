// The program's text table: every user-visible text (control captions, item
// lists, hints, form captions, messages, the application name and the names
// of the work folders) is one row of a fixed table of 695 rows. The built-in
// English texts are the defaults; a language pack replaces all 695 current
// texts at once (texts/lng_pack.h). Controls are matched to rows by their
// component names and form numbers.
//
// Everything here is widget-free and used from the user-interface thread only.
#pragma once

#include "orv_version.h"

#include <QString>
#include <QStringList>
#include <QStringView>

#include <array>
#include <cstdint>
#include <optional>

inline constexpr int TXT_ROW_CNT = 695;  // rows of the table = text lines of a pack
inline constexpr int TXT_MSG_CNT = 114;  // messages 0..113

// ---- kinds of text (txt_kind) ------------------------------------------------
inline constexpr int32_t TXT_KIND_CAPTION = 0;    // caption; item list / column titles for combos and grids
inline constexpr int32_t TXT_KIND_MESSAGE = 6;    // message text, txt_key = message number
inline constexpr int32_t TXT_KIND_FORM = 10;      // caption of a form, txt_key = form number
inline constexpr int32_t TXT_KIND_APP_NAME = 11;  // application name
inline constexpr int32_t TXT_KIND_SPARE = 12;     // spare or reserved row, no text
inline constexpr int32_t TXT_KIND_HINT = 16;      // hint; "|" stands for a line break
inline constexpr int32_t TXT_KIND_CURRENT = 17;   // caption while the analog output is in current mode
inline constexpr int32_t TXT_KIND_VOLTAGE = 18;   // caption while the analog output is in voltage mode
inline constexpr int32_t TXT_KIND_DATA_DIR = 19;  // name of the data folder
inline constexpr int32_t TXT_KIND_CFG_DIR = 20;   // name of the configuration folder

// ---- requests of ctrl_text -----------------------------------------------------
inline constexpr int TXT_REQ_CAPTION = 0;
inline constexpr int TXT_REQ_MESSAGE = 6;
inline constexpr int TXT_REQ_HINT = 16;

// ---- form numbers (txt_key of controls and form captions) ----------------------
inline constexpr int32_t FORM_MAIN = 0;
inline constexpr int32_t FORM_DEV_SETUP = 1;     // device connection dialog
inline constexpr int32_t FORM_DRAW_SETUP = 2;    // display channel setup
inline constexpr int32_t FORM_CALIB_IN = 3;      // raw value capture
inline constexpr int32_t FORM_AUTO_GAIN = 4;     // automatic gain
inline constexpr int32_t FORM_SCALE_SETUP = 5;   // scale setup
inline constexpr int32_t FORM_CALIB_POINTS = 6;  // calibration points diagram
inline constexpr int32_t FORM_EXP_SETUP = 7;     // export setup
inline constexpr int32_t FORM_DLG_BOX = 8;       // message dialog (no form caption row)
inline constexpr int32_t FORM_MANUAL_GAIN = 9;   // manual gain
inline constexpr int32_t FORM_LINK_STATS = 10;   // link statistics of a device

// Version suffix appended (after a blank) to the application title and to the
// main window caption: the program version.
inline constexpr const char* APP_VERSION_SUFFIX = ORV_VERSION;

// What msg_text answers for a message number that has no row.
inline constexpr const char* TXT_UNKNOWN_MSG = "text index unknown...";

// One row of the constant table. The two reserved fields are 0 in every row
// and are never read.
struct t_text_row {
  const char16_t* txt_name;  // component name, "mesage_text_NN" or a descriptive name
  int32_t txt_kind;          // TXT_KIND_*
  int32_t txt_key;           // form number; message number for messages
  int32_t txt_res1;
  const char16_t* def_text;  // default English text ("" when the row has none)
  int32_t txt_res2;
};

using t_text_set = std::array<QString, TXT_ROW_CNT>;

// The built-in table (def_text_tab.cpp).
extern const std::array<t_text_row, TXT_ROW_CNT> def_text_tab;

// The texts in use, one per row. They start out as the defaults, init_texts
// resets them, and a language pack replaces them as a whole.
extern t_text_set cur_texts;

// The default text of every row.
t_text_set default_texts();

// cur_texts = the default texts.
void init_texts();

// Message n with "|" turned into CR LF, plus one further CR LF for every
// complete three "|". TXT_UNKNOWN_MSG when there is no message n.
QString msg_text(int n);

// The text of a named control of a form. request: TXT_REQ_CAPTION, TXT_REQ_HINT
// or TXT_REQ_MESSAGE. Rows are scanned in table order for txt_name == name
// (case-sensitive) and txt_key == form; the first row that answers gives its
// current text:
//   caption rows answer a caption request, message rows a message request,
//   hint rows a hint request (with "|" turned into CR LF), current-mode rows
//   any request in current mode, voltage-mode rows any request in voltage
//   mode, and all other rows any request. No answer: an empty text.
// The first overload takes the analog output mode from the query set with
// set_aout_mode_query.
QString ctrl_text(QStringView name, int request, int form);
QString ctrl_text(QStringView name, int request, int form, bool aout_voltage);

// Tells ctrl_text how to learn whether the analog output of the active
// configuration is in voltage mode (parameter register 0 not 0). nullptr
// (the default) means current mode.
using aout_mode_query = bool (*)();
void set_aout_mode_query(aout_mode_query query);
bool aout_voltage_mode();

// The caption of a form; std::nullopt when the form has no caption row (the
// caller then keeps the caption it has).
std::optional<QString> form_text(int form);

// ---- helpers for item lists, hints and titles ----------------------------------
// Every "|" replaced by CR LF (hint line breaks).
QString bars_to_breaks(QStringView text);

// The "|"-separated fields of a text (an item list); empty fields are kept.
// An empty text gives an empty list.
QStringList split_items(QStringView text);

// Column titles of a grid with the given number of columns: field c of the
// text for column c; missing fields give empty titles, surplus fields are dropped.
QStringList grid_titles(QStringView text, int columns);

// The fixed, untranslated items of the unit box cmb_unit.
QStringList unit_items();

// The items for a combo box of a form: the fixed unit list for cmb_unit,
// otherwise the fields of its caption text; std::nullopt when that text is
// empty (the box keeps the items it has).
std::optional<QStringList> combo_items(QStringView name, int form);

// Index of the first row with this name, kind and key; -1 when there is none.
int find_text_row(QStringView name, int32_t kind, int32_t key);

// The current text of the first row with this name, kind and key, or its
// built-in default when the language pack in use left that row empty (a
// pack made before the row had a text). Empty when there is no such row.
QString text_or_default(QStringView name, int32_t kind, int32_t key);

// Current text of the first row of a kind (empty when no row has that kind).
QString kind_text(int32_t kind);

// The application title: the application name, a blank and the version suffix.
QString app_title();

// The folder texts (with "\" separators) for the data and configuration folders.
QString data_folder_text();
QString cfg_folder_text();
