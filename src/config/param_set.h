// Parameter set files: a transmitter's whole configuration (sensor mode,
// parameter block and product block) as one line of "|"-terminated fields
// in a checked text file (settings/checked_file.h):
//
//   "Orv Configuration file" | "Fromat1" | sensor mode | parameter registers
//   0..84 | product elements 0..1728 |
//
// 1817 fields, every register as an unsigned decimal number. The window's
// Load and Save and the command-line program orvctl both go through here,
// so a file saved by one is byte for byte what the other would save.
#pragma once

#include "core/common_data.h"

#include <QString>

#include <array>
#include <cstdint>

inline constexpr const char* PARAM_SET_TITLE = "Orv Configuration file";
inline constexpr const char* PARAM_SET_FORMAT = "Fromat1";
inline constexpr const char* PARAM_SET_EXT = "orvcfg";
inline constexpr int PARAM_SET_FIELDS = 3 + PARAM_REGS + PROD_REGS;  // 1817
// A parameter set file is about 10 KB; anything above this is some other
// file picked by mistake (a day log is 11 MB) and is refused unread.
inline constexpr qint64 PARAM_SET_MAX_BYTES = 1024 * 1024;

// Messages of the parameter set files.
inline constexpr int MSG_PSET_EXISTS = 66;
inline constexpr int MSG_PSET_NO_OVERWRITE = 67;
inline constexpr int MSG_PSET_MODE_MISMATCH = 79;
inline constexpr int MSG_PSET_INVALID = 80;
inline constexpr int MSG_PSET_FILTER = 90;
inline constexpr int MSG_PSET_SAVE_TITLE = 91;
inline constexpr int MSG_PSET_LOAD_TITLE = 92;
inline constexpr int MSG_PSET_LOADED = 93;
inline constexpr int MSG_PSET_SAVED = 94;

// One configuration as plain values (images as on the wire, with the
// trailing parameter register 84 and product element 1728).
struct t_param_set {
  int32_t sensor_mode = 0;
  std::array<uint16_t, PARAM_REGS> param{};
  std::array<uint16_t, PROD_REGS> prod{};
  bool operator==(const t_param_set&) const = default;
};

// ---- the content (pure) -----------------------------------------------------------
QString param_set_text(const t_param_set& set);

// Takes the 1817 fields from the front of the content; text after the last
// one is ignored. A register field keeps the low 16 bits of its number (70000
// gives 4464); a sensor mode that is not a number counts as 0. False, with
// set unchanged, when the title or the format is not exact or a register
// field is missing or not a decimal integer.
bool parse_param_set_fields(const QString& content, t_param_set& set);

// ---- the files --------------------------------------------------------------------
enum pset_read_t : uint8_t {
  PSET_READ_OK = 0,
  PSET_READ_NONE = 1,      // missing, or no valid checked file (end mark or checksum wrong)
  PSET_READ_TOO_BIG = 2,   // over PARAM_SET_MAX_BYTES: refused before it is read
  PSET_READ_IO_ERROR = 3,  // could not be read (reported through report_io_error)
};

// The checked-file content of a parameter set file, reading at most
// PARAM_SET_MAX_BYTES + 1 bytes of it.
pset_read_t read_param_set_file(const QString& path, QString& content);

// Writes the content as a checked file through a temporary file renamed
// over the old one, so a failed write leaves an existing file as it was.
// False when it failed (the error is reported through report_io_error).
bool write_param_set_file(const QString& path, const QString& content);

// ---- the program's configurations ---------------------------------------------------
// Device d's edit images and sensor mode; the off-line configuration of
// m_stat for d < 0.
t_param_set edit_param_set(int d);
// Device d's read images (what it held when last read); the registers that
// never reach a transmitter are the edit images'.
t_param_set read_param_set(int d);

// param_set_text of the active configuration (device dev_selected, or the
// off-line configuration, valid or not).
QString param_set_text();

enum pset_load_t : uint8_t {
  PSET_LOADED = 0,
  PSET_INVALID = 1,        // message 80: nothing changed
  PSET_MODE_MISMATCH = 2,  // message 79: nothing changed
};

// Loads the content into the active configuration. Off-line: the
// configuration becomes valid with the file's sensor mode, product 1 is the
// edited one, and read and edit images both take the file's values. With a
// device selected, only a file of the device's sensor mode is taken, into
// both images (so it counts as unchanged), and param_read is set.
pset_load_t parse_param_set(const QString& content);

// After the active configuration was saved to a file: the off-line
// configuration counts as saved (its read images take its edit images). A
// device's read images are left alone, so its changes stay pending.
void param_set_saved();
