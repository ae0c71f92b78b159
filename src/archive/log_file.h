// Daily log files: one per device and day, one 25-character hexadecimal
// line (plus CR LF) per 200 ms slot, appended in rising slot order. The
// writer runs on the communication service thread only.
#pragma once

#include <QByteArray>
#include <QString>

#include <cstdint>

inline constexpr int LOG_LINE_CHARS = 25;
inline constexpr int LOG_LINE_BYTES = 27;  // with CR LF

// Status registers 66..77 as text (one character per register, 0 read as a
// space), trimmed of leading and trailing characters of code 32 or less.
QString device_serial_text(int device);

// The file name of a device's log for a date (days since 1899-12-30):
// log_dir + separator + cleaned tag + ["_" + serial] + "_" + yyyymmdd + ".orvlog".
QString log_file_path(const QString& log_dir, const QString& tag, const QString& serial, int32_t date);
// The same for device d and its last_date.
QString log_file_name(int device);

// One line for slot s of device d into out (27 bytes). Sets the device's
// unit_idx to the unit of its most recent status word, as the line says.
void format_log_line(int device, int slot, char* out);

// Appends the bytes to the file. A missing file is created, and a missing
// folder with the folders above it. False on any input/output failure, with
// the system's error number in *error (0 on success); nothing is shown. A
// write that fails half-way leaves the file as it was.
bool append_text_file(const QString& path, const char* data, qsizetype len, int* error = nullptr);

// Appends the device's slots last_written_idx + 1 .. last_saved_idx to its
// log file. last_written_idx advances only over what was written: after a
// failure the slots stay pending and the next call tries again. Lines kept
// from earlier failures (see below) are written first. The device's
// log_error tells the outcome (0, or the system's error number). True when
// nothing is left pending.
bool write_log(int device);

// write_log, and where the slots could not be written, keeps their lines
// (with the file they belong to) for a later write_log, so that the ring's
// bookkeeping can move on (new day, clock jump, device reset) without
// losing them. last_written_idx = last_saved_idx afterwards.
void write_log_or_keep(int device);

// What the user is told while a device's log cannot be written: the
// folder and the system's message for the error number (log_error).
QString log_failure_text(const QString& log_dir, int error);

// The kept lines of device `from` become those of device `to` (a device
// moving to another slot); `from` keeps none.
void move_kept_logs(int from, int to);

// Lines kept for a device after failed writes (bytes; device -1: those of
// devices that left the scan list), for diagnosis and tests.
qsizetype kept_log_bytes(int device);
// The lines kept for a device that leaves the scan list: they stay with
// their files and are tried again with every later write of any device.
void orphan_kept_logs(int device);
void drop_kept_logs();
