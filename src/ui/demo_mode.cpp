#include "ui/demo_mode.h"

#include "app/setup_file.h"
#include "charts/chart_ctl.h"
#include "charts/chart_scale.h"
#include "charts/draw_stat.h"
#include "core/common_data.h"
#include "core/work_dirs.h"
#include "texts/text_table.h"
#include "ui/main_form.h"

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFileInfo>
#include <QProcess>
#include <QStandardPaths>

namespace {

const char* const kDemoTags[3] = {"Dryer line 1", "Mixer 2", "Silo outlet 3"};
const int32_t kDemoColours[3] = {0x00B05A1F, 0x000E7FFF, 0x002CA02C};  // 0x00BBGGRR: blue, orange, green
// The flow levels in percent of the span: apart, so that the three traces
// keep to bands of their own; with the steps of 5 to 15 % and the drift
// they stay between about 10 and 90 %.
const int kDemoLevels[3] = {30, 50, 70};
// The measuring range of the simulated transmitters' first product (kg/h).
constexpr float kDemoFullScale = 2500.0f;

QString simulator_path() {
  const QString env = qEnvironmentVariable("ORVSIM");
  if (!env.isEmpty()) return env;
  const QString here = QCoreApplication::applicationDirPath();
  for (const QString& p : {here + "/../../sim/orvsim", here + "/orvsim"})
    if (QFileInfo(p).isExecutable()) return QFileInfo(p).canonicalFilePath();
  return QStandardPaths::findExecutable("orvsim");
}

}  // namespace

QString enter_demo_profile() {
  QString profile = qEnvironmentVariable("ORV_DEMO_PROFILE");
  if (profile.isEmpty()) {
    QString cache = qEnvironmentVariable("XDG_CACHE_HOME");
    if (cache.isEmpty() || !QDir::isAbsolutePath(cache)) cache = QDir::homePath() + "/.cache";
    profile = cache + "/orvconfig-demo";
  }
  profile = QDir(profile).absolutePath();
  QDir().mkpath(profile);
  qputenv("XDG_CONFIG_HOME", profile.toUtf8());
  return profile;
}

QStringList demo_simulator_args(const QString& profile) {
  QStringList args;
  for (int k = 0; k < 3; ++k) {
    if (k > 0) args << "--line";
    // A signal of its own for each transmitter, so that their traces differ.
    QString dev = QString("addr=1,serial=ORVDEMO%1,counter=3000,seed=%2,level=%3")
                      .arg(k + 1, 5, 10, QChar(u'0'))
                      .arg(k + 11)
                      .arg(kDemoLevels[k]);
    if (k == 1) dev += ",sensor-errors=0.03";
    args << "--com" << QString::number(k + 1) << "--device" << dev << "--state"
         << profile + QString("/orvsim-com%1.state").arg(k + 1);
  }
  return args;
}

demo_simulator::demo_simulator() = default;

demo_simulator::~demo_simulator() {
  if (proc_ && proc_->state() != QProcess::NotRunning) {
    proc_->terminate();
    if (!proc_->waitForFinished(3000)) proc_->kill();
  }
}

bool demo_simulator::start(const QString& profile, QString* error) {
  const QString exe = simulator_path();
  if (exe.isEmpty()) {
    if (error) *error = "The transmitter simulator orvsim was not found (set ORVSIM to its path).";
    return false;
  }
  proc_ = std::make_unique<QProcess>();
  proc_->setProcessChannelMode(QProcess::ForwardedErrorChannel);
  proc_->start(exe, demo_simulator_args(profile));
  if (!proc_->waitForStarted(5000)) {
    if (error) *error = "The transmitter simulator did not start: " + proc_->errorString();
    return false;
  }
  int lines = 0;
  QElapsedTimer t;
  t.start();
  while (lines < 3 && t.elapsed() < 10000) {
    if (!proc_->canReadLine() && !proc_->waitForReadyRead(200)) {
      if (proc_->state() == QProcess::NotRunning) break;
      continue;
    }
    while (proc_->canReadLine())
      if (proc_->readLine().contains(" as COM")) ++lines;
  }
  if (lines < 3) {
    if (error) *error = "The transmitter simulator did not open its lines.";
    return false;
  }
  return true;
}

void seed_demo_setup() {
  QString cfg = cfg_folder_text(), data = data_folder_text();
  if (!make_work_dir(cfg, CFG_LEAF) || !make_work_dir(data, DATA_LEAF)) return;
  if (QFileInfo::exists(work_path(cfg + "\\OrvConfig.cfg"))) return;
  const QString saved_cfg = cfg_dir;
  cfg_dir = cfg;
  for (int k = 0; k < 3; ++k) {
    auto& c = common_setup.dev_conn[k];
    c.active = true;
    c.log_active = true;
    c.use_usb = true;
    c.addr = 0;
    c.com_num = k + 1;
    c.baud_idx = 4;
    c.parity = 0;
    c.tag.set(kDemoTags[k]);
    c.log_dir.set(work_path(data));
    // One live trace per transmitter: its scaled value.
    t_dsp_chan& ch = common_setup.dsp_chan_live[k];
    ch.active = true;
    ch.displayed = true;
    ch.tag = QString("%1 flow").arg(kDemoTags[k]);
    ch.dev_idx = k;
    ch.meas_mode = 0;  // scaled value
    ch.line_thk = 1;
    ch.color = kDemoColours[k];
  }
  common_setup.last_page = 6;  // the Online view
  t_setup_ui placement;
  placement.placement_stored = true;
  placement.top = 40;
  placement.left = 40;
  placement.width = 1280;
  placement.height = 800;
  save_setup(placement);
  cfg_dir = saved_cfg;
  reset_all_records();
}

void keep_demo_scaling(TMainForm& form) {
  t_draw_stat& ds = draw_stat[CHART_LIVE];
  if (!def_scaling_usable(ds)) {
    ds.def_h_min = 0.0f;
    ds.def_h_max = kDemoFullScale;
    ds.def_t_min = 0.0f;
    ds.def_t_max = 100.0f;
    ds.def_r_min = 0.0f;
    ds.def_r_max = RAW_SCALE_MAX;
    ds.def_grid_sel = GRID_SCALED;
    ds.def_tscale_idx = 1;  // 20 s/div: every step of the signals is seen
    ds.def_span = 0;
    ds.def_valid = true;
  }
  form.charts().keep_live_default_scaling();
}
