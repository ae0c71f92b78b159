// The window's commissioning report: Device Settings > "Commissioning
// report…" makes the PDF of the selected transmitter (its configuration
// read again, with the transfer progress, its link figures and its traces of
// the last hour in the Online view) or of the off-line configuration.
// Changes not yet written are offered for writing first; when they are
// kept, the report shows what the transmitter holds and the changes stay
// pending.
#pragma once

#include <QObject>

class QAction;
class QMenu;
class QWidget;
class cfg_pages;
class cfg_transfer_ctl;

class report_ctl : public QObject {
  Q_OBJECT

 public:
  report_ctl(cfg_pages& pages, cfg_transfer_ctl& transfer, QObject* parent = nullptr);

  // menm_dev_report at the end of the menu.
  void add_action(QMenu* device_setup);
  // Enabled while there is a configuration to report.
  void enable_action();
  void menm_dev_reportClick();

 private:
  cfg_pages& pages_;
  cfg_transfer_ctl& transfer_;
  QAction* menm_dev_report_ = nullptr;
};
