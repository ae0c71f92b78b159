// What the window gives its chart parts: the frame's state (chart_frame).
#pragma once

#include "charts/chart_frame.h"

class TMainForm;

class window_chart_frame final : public chart_frame {
 public:
  explicit window_chart_frame(const TMainForm& form) : form_(form) {}
  int shown_page() const override;
  bool started() const override;
  bool export_allowed(bool bitmap) const override;

 private:
  const TMainForm& form_;
};
