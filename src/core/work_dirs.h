// The user's application-data folder and the program's work folders below it.
//
// Folder texts keep "\" as their separator (they come from the text table,
// e.g. "Tarvik\Orv_Cfg"); "\" becomes "/" only where the file system is touched.
#pragma once

#include <QString>

// Default folder texts (used until the text table provides its own).
inline constexpr const char* DEF_CFG_FOLDER = "Tarvik\\Orv_Cfg";
inline constexpr const char* DEF_DATA_FOLDER = "Tarvik\\Orv_Data";
inline constexpr const char* CFG_LEAF = "OrvConfig";
inline constexpr const char* DATA_LEAF = "Orv_Data";
inline constexpr const char* MAKER_FOLDER = "Tarvik";

// The application-data folder: $XDG_CONFIG_HOME when it is set to an
// absolute path, otherwise $HOME/.config. No trailing separator.
QString app_data_dir();

// True when a "\"-separated folder text stays below the folder it is
// appended to: no "." or ".." parts, drive letters, "/" or control
// characters. An empty text is safe (the default folder is made from it).
bool safe_folder_text(const QString& text);

// Maps a folder text with "\" separators to a path of the file system.
QString to_native_path(const QString& backslash_text);

// app_data_dir() + the folder text (which starts with "\"), as a file system path.
QString work_path(const QString& folder_text);

// Creates a work folder below the application-data folder: strips one
// leading and one trailing "\", falls back to "Tarvik\<leaf>" when nothing is
// left, creates each prefix in turn and on success stores "\" + text back.
bool make_work_dir(QString& folder, const QString& leaf);

// The configuration folder text: cfg_dir, or the default folder text before
// the configuration folder is known (orvctl never learns another one).
QString cfg_dir_or_default();

// The folder of port entries "COMn" of the configuration folder.
QString com_ports_dir();

// The start-up log of the configuration folder (written anew at each start).
QString init_log_path();
