// Language packs: files that replace all current texts at once, their
// discovery in the start folder and the language list built from them.
//
// A pack is UTF-16 text (little-endian code units, a byte-order mark is
// accepted) with CR LF line ends: lines 1..695 hold the texts of rows 0..694
// in table order, line 696 the checksum as eight upper-case hexadecimal
// digits. A pack is taken completely or not at all.
//
// Loaders append their complaints to a start-up log text given by the caller.
#pragma once

#include "texts/lng_config.h"
#include "texts/text_table.h"

#include <QString>
#include <QStringList>

#include <cstdint>

inline constexpr int LNG_MAX_PACKS = 5;                 // languages offered at most
inline constexpr int LNG_PACK_LINES = TXT_ROW_CNT + 1;  // texts + checksum line
// Largest pack file read; a real pack is a few tens of kilobytes.
inline constexpr qint64 LNG_PACK_MAX_BYTES = 4 * 1024 * 1024;

inline constexpr const char* LNG_PACK_PATTERN = "*.lngpack";
inline constexpr const char* LNG_PACK_SUFFIX = ".lngpack";
inline constexpr const char* BASIC_LNG_FILE = "OrvCon_basic_lng.txt";
inline constexpr const char* BASIC_LNG_CHECKSUM = "00000000";  // placeholder of the template

// Start-up log lines (each followed by CR LF in the log).
inline constexpr const char* LNG_LOG_READ_FAILED = ". Language file read failed!";
inline constexpr const char* LNG_LOG_COUNT = "Language file read failed! Captions count mismatch!";
inline constexpr const char* LNG_LOG_CHECKSUM = "Language file read failed! Check sum bad!";
inline constexpr const char* LNG_LOG_NOT_FOUND = "language pack file not found";

// ---- file format ---------------------------------------------------------------
// Checksum of the text lines: for every line a (0-based, at most the first 695)
// and every character at 1-based position i, add (UTF-16 code) XOR (a * i),
// wrapping at 32 bits.
uint32_t lng_checksum(const QStringList& lines);

// The checksum line: eight upper-case hexadecimal digits (two's complement).
QString lng_checksum_text(uint32_t sum);

// Splits decoded file text into lines. CR LF, a lone CR and a lone LF each end
// a line; a break at the very end does not start a further, empty line.
QStringList split_lng_lines(QStringView text);

// Decodes the bytes of a pack: UTF-16, little-endian unless a big-endian
// byte-order mark says otherwise; a byte-order mark is dropped. Fails (false)
// for an odd number of bytes or a UTF-8 byte-order mark.
bool decode_lng_bytes(const QByteArray& bytes, QString& text);

// Reads and checks a pack without touching cur_texts. On success texts holds
// the 695 texts. On failure one line (with CR LF) is appended to log.
bool read_lng_pack(const QString& path, t_text_set& texts, QString& log);
// The same for the bytes of a pack already read.
bool parse_lng_pack(const QByteArray& bytes, t_text_set& texts, QString& log);

// Loads a pack into cur_texts. Nothing changes unless the whole file is accepted.
bool load_lng_pack(const QString& path, QString& log);

// Writes lines as UTF-16 LE with byte-order mark, each line followed by CR LF,
// through a temporary file renamed into place. Refuses lines holding CR or LF.
bool write_lng_lines(const QString& path, const QStringList& lines, QString* error = nullptr);

// Writes a complete, valid pack of the given texts (with its checksum).
bool write_lng_pack(const QString& path, const t_text_set& texts, QString* error = nullptr);

// Writes the translators' template BASIC_LNG_FILE into dir: the 695 current
// texts followed by the placeholder checksum "00000000" (not a valid pack
// until the checksum is filled in).
bool write_basic_lng(const QString& dir, QString* error = nullptr);

// ---- discovery and the language list -----------------------------------------
// The language of a pack file name: up to the first "_", or, when there is
// none, up to the first "." ("Deutsch_lng.lngpack" -> "Deutsch").
QString lng_name_of_file(const QString& file_name);

// File names (no folder) of all pack files in dir, sorted by name
// (case-insensitive, ties broken case-sensitively) so the order is stable.
QStringList find_lng_files(const QString& dir);

// Fills the language list from the packs of dir (the first LNG_MAX_PACKS of
// find_lng_files); lng_cnt starts from 0, curr_lng is kept. No pack found:
// LNG_LOG_NOT_FOUND is appended to log. Returns lng_cnt.
int find_lng_packs(t_lng_config& cfg, const QString& dir, QString& log);

// The path a list entry's file is loaded from: dir + file name (the bare file
// name when dir is empty).
QString lng_pack_path(const QString& dir, const QString& file_name);

// Removes entry index from the list; the entries behind it move down by one
// and lng_cnt decreases. An index outside 0..lng_cnt-1 changes nothing.
void remove_language(t_lng_config& cfg, int index);

// Finds the first entry named name and loads its pack from dir. Success sets
// curr_lng = name; a pack that fails to load is removed from the list.
bool select_language(t_lng_config& cfg, const QString& name, const QString& dir, QString& log);

// Start-up: loads the first entry's pack; while that fails the entry is
// removed and the next one is tried. False when no pack loaded.
bool load_first_lng_pack(t_lng_config& cfg, const QString& dir, QString& log);

// Start-up, after the setup file gave curr_lng: with more than one language,
// select curr_lng, else "Englisch", else take the first entry's name as
// curr_lng (its pack is the one load_first_lng_pack loaded).
void restore_language(t_lng_config& cfg, const QString& dir, QString& log);

// Menu choice of entry index: loads its pack; success sets curr_lng to its
// name. A failing pack stays in the list and the texts in use stay.
bool choose_language(t_lng_config& cfg, int index, const QString& dir, QString& log);
