// The program's file dialogs: Qt's own open and save dialogs, starting in the
// folder chosen last (remembered in "\last_path.cfg" of the configuration
// folder), and a save with the program's overwrite question. Parameter set
// files and the chart exports use them; nothing here knows what is saved.
//
// Filters are given as "|"-separated pairs of a description and a pattern,
// "Orv parameter file (*.orvcfg)|*.orvcfg|All Files(*.*)|*.*"; the pattern
// *.* (every file) becomes * on this system, where a file name need not have
// a dot.
#pragma once

#include <QString>
#include <QStringList>

#include <functional>

class QFileDialog;

// The Qt name filters of a "|"-separated filter text: "Orv parameter file
// (*.orvcfg)", "All Files (*)". A description that already ends in its
// patterns in parentheses keeps them; otherwise they are added.
QStringList dialog_name_filters(const QString& filter);

// Save dialog. With a name it starts in that file's folder with that file
// name, otherwise in the remembered folder with no name. The filter is the
// description with "(*.ext)", then "All Files"; ext is added to a name typed
// without it. The chosen file's folder is remembered. Empty on Cancel.
QString save_dialog(const QString& name, const QString& description, const QString& ext, const QString& title);

// save_dialog, then for a file that exists question 66 ("File already
// exists. Overwrite?"): "No" gives an empty name; "Yes" gives the name when
// the file can be replaced (it is writable and so is its folder), otherwise
// error 67 and an empty name. The old file stays until the new one is
// written completely (the writers replace files through a temporary file).
// proposed: a file name offered in the remembered folder (empty: none).
QString save_as_dialog(const QString& title, const QString& ext, const QString& description,
                       const QString& proposed = QString());

// Open dialog in the remembered folder with file name name; filter is the
// given filter text followed by "All Files(*.*)|*.*". Only existing files
// can be chosen. The chosen file's folder is remembered. Empty on Cancel.
QString open_dialog(const QString& name, const QString& filter, const QString& title);

// How a prepared dialog is run (QDialog::exec by default). Tests install a
// runner that checks the dialog and picks a file; an empty runner restores
// the default.
using file_dialog_runner = std::function<int(QFileDialog&)>;
void set_file_dialog_runner(file_dialog_runner runner);
