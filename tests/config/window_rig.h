// The main window offscreen with one simulated transmitter (address 1) on a
// pseudo-terminal as COM1, and scripted answers to its message boxes: what
// the configuration transfer, parameter set file and access level tests
// drive.
#pragma once

#include "app/setup_file.h"
#include "comm/com_service.h"
#include "config/cfg_transfer.h"
#include "core/common_data.h"
#include "core/work_dirs.h"
#include "sim_line.h"
#include "support/test_env.h"
#include "support/window_access.h"
#include "texts/text_table.h"
#include "ui/file_dialogs.h"
#include "ui/main_form.h"
#include "ui/message_boxes.h"

#include <QAction>
#include <QDialog>
#include <QDir>
#include <QFileDialog>
#include <QLineEdit>

#include <memory>
#include <mutex>
#include <string>

#include <gtest/gtest.h>

// The next file dialog picks this file (empty: Cancel).
inline void pick(const QString& file) {
  set_file_dialog_runner([file](QFileDialog& d) {
    if (file.isEmpty()) return static_cast<int>(QDialog::Rejected);
    d.selectFile(file);
    return static_cast<int>(QDialog::Accepted);
  });
}

class WindowRig : public ::testing::Test {
 protected:
  // Starts the line and the window at the expert level (or at the level it
  // starts with); the device is not selected yet. The line keeps its time on
  // the test's line clock.
  void start(const orvsim::device_settings& dev = {}, bool service_mode = false, bool expert = true) {
    reset_all_records();
    orvsim::line_options o;
    o.com = 1;
    o.line_clock = &line_clock_.time;
    o.devices = {dev};
    // Every request is noted, so that a write of 1 to register 10005 is seen.
    o.log_requests = true;
    o.on_note = [this](const std::string& n) {
      std::lock_guard<std::mutex> lock(notes_mutex_);
      if (n.find(" f16 10005+1") != std::string::npos && n.find("silent") == std::string::npos) ++commits_;
    };
    line_ = std::make_unique<orvsim::sim_line>(o);
    seed_setup(service_mode);
    msg_script::begin();
    form_ = std::make_unique<TMainForm>();
    ASSERT_TRUE(form_->FormCreate());
    form_->show();
    if (expert) form_->transfer().set_access_level(true);
    show_page(*form_, base_page(*form_));
  }
  void TearDown() override {
    if (form_) {
      for (auto& c : common_setup.dev_conn) c.active = false;
      form_->shutdown_sequence();
      form_.reset();
    }
    line_.reset();
    msg_script::end();
    set_file_dialog_runner({});
    reset_all_records();
  }

  // The boxes shown since the last call.
  QStringList boxes() {
    const QStringList all = msg_script::shown();
    const QStringList news = all.mid(seen_);
    seen_ = static_cast<int>(all.size());
    return news;
  }
  static QString question(int n) { return "question: " + msg_text(n); }
  static QString info(int n) { return "info: " + msg_text(n); }
  static QString error(int n) { return "error: " + msg_text(n); }

  QAction* action(const char* name) const { return form_->findChild<QAction*>(name); }
  QLineEdit* edit(const char* name) const { return form_->findChild<QLineEdit*>(name); }
  // Types text into an edit and leaves it.
  void type(const char* name, const QString& text) {
    QLineEdit* e = edit(name);
    ASSERT_TRUE(e) << name;
    e->setText(text);
    form_->pages().exit_edit(e);
  }

  // What the transmitter holds in force, and whether it took a commit
  // (1 written to register 10005) since the last look.
  orvsim::config_image held() {
    orvsim::config_image c;
    line_->steer(1, [&](orvsim::transmitter& t) { c = t.active_config(); });
    return c;
  }
  bool committed() {
    std::lock_guard<std::mutex> lock(notes_mutex_);
    const bool c = commits_ > 0;
    commits_ = 0;
    return c;
  }
  // The transmitter holds device d's edit images (the transferred ranges).
  static bool holds_edit_images(const orvsim::config_image& c, int d) {
    const auto& s = m_stat.dev_stat[d];
    for (int r = 0; r < PARAM_REG_COUNT; ++r)
      if (c.param[static_cast<size_t>(r)] != s.edit_param.get(r)) return false;
    for (int r = 0; r < PROD_REG_COUNT; ++r)
      if (c.prod[static_cast<size_t>(r)] != s.edit_prod.get(r)) return false;
    return true;
  }
  void silence(bool silent) {
    orvsim::fault_settings f;
    f.drop = silent ? 1.0 : 0.0;
    line_->set_faults(f);
  }

  temp_config_home home_;
  test_line_clock line_clock_;
  std::unique_ptr<orvsim::sim_line> line_;
  std::unique_ptr<TMainForm> form_;

 private:
  // A setup file with the one device, and the service marker when asked.
  void seed_setup(bool service_mode) {
    QString cfg = cfg_folder_text();
    ASSERT_TRUE(make_work_dir(cfg, CFG_LEAF));
    cfg_dir = cfg;
    auto& c = common_setup.dev_conn[0];
    c.active = true;
    c.log_active = true;
    c.addr = 0;
    c.com_num = 1;
    c.baud_idx = 4;
    c.tag.set("Mill");
    c.log_dir.set(app_data_dir() + "/logs");
    QDir().mkpath(app_data_dir() + "/logs");
    save_setup(t_setup_ui{});
    if (service_mode) {
      ASSERT_FALSE(write_cfg_file(SRVC_FILE_NAME, "1"));  // true means it failed
    }
    reset_all_records();
  }
  int seen_ = 0;
  std::mutex notes_mutex_;
  int commits_ = 0;
};
