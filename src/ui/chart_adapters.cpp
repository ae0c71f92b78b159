#include "ui/chart_adapters.h"

#include "ui/main_form.h"

#include <QTabWidget>

int window_chart_frame::shown_page() const { return TMainForm::page_tag(form_.pgctrl_main->currentWidget()); }

bool window_chart_frame::started() const { return form_.init_complete; }

bool window_chart_frame::export_allowed(bool bitmap) const {
  return (form_.cmd_mask & (bitmap ? CMD_EXP_BMP : CMD_EXP_CSV)) != 0;
}
