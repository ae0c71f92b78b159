#include "ui/chart_adapters.h"

#include "ui/main_form.h"

#include <QTabWidget>

int window_chart_frame::shown_page() const { return form_.shown_page(); }

bool window_chart_frame::started() const { return form_.init_done(); }

bool window_chart_frame::export_allowed(bool bitmap) const {
  return (form_.commands() & (bitmap ? CMD_EXP_BMP : CMD_EXP_CSV)) != 0;
}
