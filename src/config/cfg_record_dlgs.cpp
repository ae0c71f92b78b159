#include "config/cfg_record_dlgs.h"

#include "config/param_diff.h"
#include "config/write_history.h"
#include "core/work_dirs.h"
#include "texts/text_table.h"

#include <QDialog>
#include <QDialogButtonBox>
#include <QFile>
#include <QHeaderView>
#include <QLabel>
#include <QListWidget>
#include <QTableWidget>
#include <QVBoxLayout>

namespace {

QDialog* list_dialog(QWidget* parent, const char* name, const QString& title, const QString& heading) {
  auto* dlg = new QDialog(parent);
  dlg->setObjectName(name);
  dlg->setAttribute(Qt::WA_DeleteOnClose);
  dlg->setWindowTitle(title);
  dlg->resize(900, 480);
  auto* col = new QVBoxLayout(dlg);
  auto* head = new QLabel(heading, dlg);
  head->setObjectName("x_lbl_heading");
  head->setWordWrap(true);
  head->setTextInteractionFlags(Qt::TextSelectableByMouse);
  col->addWidget(head);
  return dlg;
}

// The Close button (Esc closes as well), and the dialog shown.
QDialog* finish(QDialog* dlg) {
  auto* buttons = new QDialogButtonBox(QDialogButtonBox::Close, dlg);
  QObject::connect(buttons, &QDialogButtonBox::rejected, dlg, &QDialog::reject);
  dlg->layout()->addWidget(buttons);
  dlg->open();
  return dlg;
}

// Notes damaged history lines in the start-up log of this session.
void note_bad_lines(const QString& serial, const std::vector<int32_t>& lines) {
  QFile log(init_log_path());
  if (!log.open(QIODevice::WriteOnly | QIODevice::Append)) return;
  for (const int32_t n : lines)
    log.write(QStringLiteral("%1: line %2 is damaged and skipped\r\n").arg(history_path(serial)).arg(n).toUtf8());
}

}  // namespace

QString record_caption(const char16_t* name, const char* fallback) {
  const QString t = text_or_default(name, TXT_KIND_CAPTION, FORM_MAIN);
  return t.isEmpty() ? QString::fromUtf8(fallback) : t;
}

QDialog* open_history_dialog(QWidget* parent, const QString& serial) {
  const QString title = record_caption(u"x_dlg_history", "History of writes");
  if (serial.isEmpty())
    return finish(list_dialog(parent, "x_dlg_history", title,
                              "The transmitter's serial number is not known yet: it has not answered."));
  const t_history_read h = read_history(serial);
  if (!h.bad_lines.empty()) note_bad_lines(serial, h.bad_lines);
  QString heading = QStringLiteral("Serial number %1: ").arg(serial);
  heading += h.records.empty() ? QStringLiteral("no configuration writes are recorded.")
                               : QStringLiteral("%1 configuration writes, newest first.").arg(h.records.size());
  if (!h.bad_lines.empty())
    heading += QStringLiteral(" %1 damaged lines of %2 were skipped (see the start-up log).")
                   .arg(h.bad_lines.size())
                   .arg(history_path(serial));
  QDialog* dlg = list_dialog(parent, "x_dlg_history", title + " - " + serial, heading);

  auto* table = new QTableWidget(static_cast<int>(h.records.size()), 5, dlg);
  table->setObjectName("x_grd_history");
  table->setHorizontalHeaderLabels({"Time", "User", "Program", "Result", "Changes"});
  table->setEditTriggers(QAbstractItemView::NoEditTriggers);
  table->setSelectionBehavior(QAbstractItemView::SelectRows);
  table->setWordWrap(true);
  table->verticalHeader()->setVisible(false);
  table->horizontalHeader()->setStretchLastSection(true);
  int row = 0;
  for (auto it = h.records.rbegin(); it != h.records.rend(); ++it, ++row) {
    QStringList changes;
    for (const t_history_change& c : it->changes) changes << history_change_text(c);
    if (changes.isEmpty()) changes << "(none)";
    const QStringList cells{
        it->utc.toLocalTime().toString("yyyy-MM-dd HH:mm:ss"), it->user,
        it->program + " " + it->version + "\n" + it->port + QStringLiteral(", address %1").arg(it->address),
        history_result_text(*it), changes.join(u'\n')};
    for (int c = 0; c < cells.size(); ++c) {
      auto* item = new QTableWidgetItem(cells[c]);
      item->setTextAlignment(Qt::AlignLeft | Qt::AlignTop);
      table->setItem(row, c, item);
    }
  }
  table->resizeColumnsToContents();
  table->horizontalHeader()->setStretchLastSection(true);
  table->resizeRowsToContents();
  dlg->layout()->addWidget(table);
  return finish(dlg);
}

QDialog* open_diff_dialog(QWidget* parent, const QString& heading, const std::vector<t_diff_line>& lines,
                          const QString& problem) {
  QString text = heading;
  if (!problem.isEmpty())
    text += "\n" + problem;
  else if (lines.empty())
    text += "\nThey hold the same configuration.";
  else
    text += QStringLiteral("\n%1 %2:").arg(lines.size()).arg(lines.size() == 1 ? "difference" : "differences");
  QDialog* dlg = list_dialog(parent, "x_dlg_compare", record_caption(u"x_dlg_compare", "Compare with file"), text);
  auto* list = new QListWidget(dlg);
  list->setObjectName("x_lst_compare");
  list->setSelectionMode(QAbstractItemView::ExtendedSelection);
  for (const t_diff_line& l : lines) list->addItem(l.what + ": \"" + l.a + "\" -> \"" + l.b + "\"");
  list->setVisible(problem.isEmpty() && !lines.empty());
  dlg->layout()->addWidget(list);
  return finish(dlg);
}
