// The link statistics of one device: every counter the service keeps for
// its line (requests, good answers, time-outs, CRC errors, the time since
// the last good answer, mean and worst response time, port reopens, samples
// stored and slots left empty), a sparkline of the last 100 response times
// and a "Reset" button. Modeless; refreshed by its own one-second timer
// while it is shown. Created once and reused for any device.
#pragma once

#include "comm/link_stats.h"

#include <QDialog>

#include <array>
#include <utility>
#include <vector>

class QLabel;
class QPushButton;
class QTimer;

class TDlg_link_stats : public QDialog {
  Q_OBJECT

 public:
  explicit TDlg_link_stats(QWidget* parent = nullptr);

  // Shows the statistics of device slot d (0..7) and brings the dialog up.
  void open_for(int d);
  int device() const { return device_; }

  // Reads the device's counters and shows them (the timer calls it).
  void refresh();
  // Asks the service to set the device's counters back to 0 at its next turn.
  void cmd_link_resetClick();

  // Texts of the counters, for a view (public for tests).
  static QString count_text(uint32_t n);
  static QString since_text(int64_t ms);  // "never" for -1
  // Caption and value of every counter of device d (0..7), as the dialog shows them.
  static std::vector<std::pair<QString, QString>> figures(int d);

  // ---- controls ---------------------------------------------------------------
  enum value_t { REQUESTS, GOOD, TIMEOUTS, CRC, LAST_GOOD, MEAN, WORST, REOPENS, STORED, EMPTY, VALUE_CNT };
  std::array<QLabel*, VALUE_CNT> x_lbl_value{};
  QLabel* x_img_spark = nullptr;
  QPushButton* cmd_link_reset = nullptr;
  QPushButton* cmd_link_close = nullptr;
  QTimer* tmr_refresh = nullptr;

 protected:
  void paintEvent(QPaintEvent* event) override;

 private:
  void build();
  static std::array<QString, VALUE_CNT> value_texts(const t_link_view& v);
  // Captions from the text table (the built-in ones where a pack has none).
  void set_texts();

  int device_ = 0;
  std::array<QLabel*, VALUE_CNT> captions_{};
  QLabel* lbl_link_spark_ = nullptr;
  QLabel* lbl_link_window_note_ = nullptr;
};
