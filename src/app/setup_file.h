// The application setup file "\OrvConfig.cfg" (293 "|"-terminated fields in
// a checked text file), the remembered folder of the file dialogs
// "\last_path.cfg" and the service mode marker "\srvc_ena.cfg", all in the
// configuration folder.
//
// The text is built from and parsed into plain records (common_setup, the
// status images of m_stat, the two chart records and t_setup_ui), so that a
// setup round-trips without any widget. The main window copies its
// placement and combo box states into a t_setup_ui before saving and takes
// them from the one load_setup returns.
#pragma once

#include "charts/draw_stat.h"
#include "core/common_data.h"

#include <QString>

inline constexpr int SETUP_FIELD_CNT = 293;
inline constexpr const char* SETUP_FILE_NAME = "\\OrvConfig.cfg";
inline constexpr const char* LAST_PATH_FILE_NAME = "\\last_path.cfg";
inline constexpr const char* SRVC_FILE_NAME = "\\srvc_ena.cfg";
// A setup file that failed its check is kept beside it with this suffix.
inline constexpr const char* SETUP_BAD_SUFFIX = ".bad";

inline constexpr int SERIAL_FIRST_REG = 66;  // status registers 66..77
inline constexpr int SERIAL_CHARS = 12;

// What the setup file keeps of the main window.
struct t_setup_ui {
  // Placement. On loading, placement_stored is false when any of top, left,
  // width, height was not a number (the window keeps its designed place).
  bool placement_stored = false;
  bool maximized = false;
  int32_t top = 0;
  int32_t left = 0;
  int32_t width = 0;
  int32_t height = 0;
  // Item indexes of x_cmb_sel_tunit_1 and x_cmb_sel_tunit_2 (0 or 1).
  int32_t tunit_idx[CHART_CNT] = {0, 0};
};

// ---- storable texts ---------------------------------------------------------------
// True when the text can be stored in the program's "|"-separated one-byte
// files unchanged: no "|", no end mark 0x1A and no character above code 255.
// Entry fields and path pickers refuse texts for which this is false.
bool storable_text(const QString& text);

// The text with every character that storable_text refuses replaced by "~".
QString storable_form(const QString& text);

// The export separators (decimal point and field separator) may be "|",
// the file's own field separator: they are stored with it written as this
// token, and read back with the token turned into "|" again.
inline constexpr const char* SEP_BAR_TOKEN = "(bar)";
QString separator_store_form(const QString& sep);
QString separator_from_store(const QString& stored);

// ---- the configuration folder ------------------------------------------------------
// read_checked_file / write_checked_file of work_path(cfg_dir + name); name
// starts with "\". Before cfg_dir is known, the default configuration folder. write_cfg_file returns true when the
// write FAILED.
QString read_cfg_file(const QString& name);
bool write_cfg_file(const QString& name, const QString& text);

// ---- the setup text (pure) -----------------------------------------------------------
// The 293 fields in file order, each followed by "|". Free texts pass through
// storable_form and channel tags through clean_file_name, so no stored text
// can shift a later field or break the file's checksum; texts that
// storable_text accepts are written exactly as they are.
QString build_setup_text(const t_common_setup& setup, const t_m_stat& stat, const t_draw_stat (&charts)[CHART_CNT],
                         const t_setup_ui& ui);

// Takes the 293 fields from the front of text in file order; missing or
// unconvertible fields take their defaults one by one. Numbers are kept as
// the file says (see the valid_* helpers where they are used as indexes);
// only the temperature unit indexes are limited to 0..1.
void parse_setup_text(QString text, t_common_setup& setup, t_m_stat& stat, t_draw_stat (&charts)[CHART_CNT],
                      t_setup_ui& ui);

// ---- checks for records that come from the setup file ------------------------------
// The numbers are stored as the file says; these tell where they may be used
// (for a device connection: dev_conn_in_range of core/common_data.h).
// A display channel whose measurement mode (0..7) or, on the live chart,
// source device (0..7) is out of range shows no samples.
bool chan_source_in_range(const t_dsp_chan& ch, bool live);

// Status registers 66..77 as 12-character text (a register of 0 as a blank).
QString serial_regs_text(const stat_image& regs);
// Stores a serial read from the setup file: cut to 12 characters, trimmed of
// characters of code 32 or less at both ends, padded with blanks.
void store_serial_regs(stat_image& regs, const QString& text);

// ---- the setup on the program's records ------------------------------------------------
// Service marker, then the setup file, into m_stat, common_setup and draw_stat.
// Returns what belongs to the main window. A setup file that exists but
// failed its check is read as empty and renamed to "OrvConfig.cfg.bad"
// (replacing an older one), so the next save cannot overwrite it; a line in
// init_log names both files.
t_setup_ui load_setup();

// Renames a damaged setup file to path + ".bad"; the start-up log line.
QString keep_damaged_setup(const QString& path);

// Builds the setup text from m_stat, common_setup, draw_stat and ui and
// writes it to "\OrvConfig.cfg". Write errors are reported by the writer.
void save_setup(const t_setup_ui& ui);

// Service mode from the marker file: a non-empty text turns it on.
bool read_service_marker();
// The marker file as a file system path (for messages).
QString service_marker_path();
// service_ena and the access level that goes with it (1 in service mode, else 0).
void apply_service_mode(t_m_stat& stat, bool service_ena);

// ---- the remembered folder ----------------------------------------------------------------
// The folder last chosen in a file dialog (with its trailing separator);
// empty when the file is missing, invalid or empty.
QString read_last_path();
// The folder of a chosen file, with its trailing separator ("/" or "\").
QString folder_of_file(const QString& file_path);
// Remembers the folder of a chosen file. A folder that storable_text refuses
// is not stored (false); true when it was written.
bool remember_last_path(const QString& file_path);
