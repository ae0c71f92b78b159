// A one-line label for texts that may be wider than the room a layout can
// give them (the "Link" row of the live group): it shows its whole text when
// that fits and otherwise cuts it at the end with "…". text() is always the
// whole text.
#pragma once

#include <QLabel>

class elided_label : public QLabel {
 public:
  explicit elided_label(QWidget* parent = nullptr);

  // The text as it is painted at the label's current width.
  QString shown_text() const;

  // Room for "…" only, so that a layout of fixed width never clips the label
  // but gives it what is left.
  QSize minimumSizeHint() const override;

 protected:
  void paintEvent(QPaintEvent* event) override;
};
