#include "ui/dlg_setup.h"

#include "app/setup_file.h"
#include "comm/service_client.h"
#include "core/common_data.h"
#include "texts/apply_texts.h"
#include "texts/text_table.h"
#include "ui/message_boxes.h"
#include "ui/screen_fit.h"

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QFileDialog>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QStyle>
#include <QVBoxLayout>
#include <QValidator>

#include <utility>

namespace {

constexpr int MSG_SELECT_LOG_DIR = 26;
constexpr int MSG_SELECT_LOG_PATH = 29;
constexpr int MSG_ENTER_DESC = 45;
constexpr int MSG_INVALID_ENTRY = 6;
constexpr int MODB_ADDR_CNT = 248;

// Refuses, at entry, every text the one-byte settings files cannot hold
// ("|", the end mark, characters above code 255); pasted text included.
class storable_validator : public QValidator {
 public:
  using QValidator::QValidator;
  State validate(QString& input, int&) const override { return storable_text(input) ? Acceptable : Invalid; }
};

// Busy cursor for the lifetime of the object.
class busy_cursor {
 public:
  busy_cursor() { QApplication::setOverrideCursor(Qt::WaitCursor); }
  ~busy_cursor() { QApplication::restoreOverrideCursor(); }
  busy_cursor(const busy_cursor&) = delete;
  busy_cursor& operator=(const busy_cursor&) = delete;
};

QString platform_folder_picker(QWidget* parent, const QString& title, const QString& start) {
  return QFileDialog::getExistingDirectory(parent, title, start, QFileDialog::ShowDirsOnly);
}

}  // namespace

TDlg_setup::TDlg_setup(QWidget* parent) : QDialog(parent), picker_(platform_folder_picker) {
  setObjectName(QStringLiteral("Dlg_setup"));
  setWindowFlags(windowFlags() | Qt::WindowStaysOnTopHint);
  setWindowModality(Qt::WindowModal);
  build();
  connect(cmd_ok, &QPushButton::clicked, this, &TDlg_setup::cmd_okClick);
  connect(cmd_abort, &QPushButton::clicked, this, &TDlg_setup::cmd_abortClick);
  connect(cmd_dir_select, &QPushButton::clicked, this, &TDlg_setup::cmd_dir_selectClick);
  connect(chk_use_usb, &QCheckBox::clicked, this, &TDlg_setup::chk_use_usbClick);
  connect(this, &QDialog::finished, this, &TDlg_setup::FormClose);
}

void TDlg_setup::build() {
  auto label = [this](const char* name) {
    auto* l = new QLabel(this);
    l->setObjectName(QString::fromLatin1(name));
    return l;
  };
  auto combo = [this](const char* name, const QStringList& items) {
    auto* c = new QComboBox(this);
    c->setObjectName(QString::fromLatin1(name));
    c->addItems(items);
    c->setMinimumWidth(120);
    return c;
  };

  lbl_dev_desc = label("lbl_dev_desc");
  txt_dev_desc = new QLineEdit(this);
  txt_dev_desc->setObjectName(QStringLiteral("txt_dev_desc"));
  txt_dev_desc->setValidator(new storable_validator(txt_dev_desc));
  txt_dev_desc->setMinimumWidth(260);

  chk_use_usb = new QCheckBox(this);
  chk_use_usb->setObjectName(QStringLiteral("chk_use_usb"));

  QStringList addrs;
  for (int a = 1; a <= MODB_ADDR_CNT; ++a) addrs << QString::number(a);
  lbl_address = label("lbl_address");
  cmb_modb_addr = combo("cmb_modb_addr", addrs);
  cmb_modb_addr->setMaxVisibleItems(16);
  lbl_com = label("lbl_com");
  cmb_com = combo("cmb_com", {});
  lbl_baud = label("lbl_baud");
  cmb_baud = combo("cmb_baud", {"9600", "19200", "38400", "57600", "115200"});
  lbl_parity = label("lbl_parity");
  x_cmb_parity = combo("x_cmb_parity", {"none", "odd", "even"});

  chk_acq_active = new QCheckBox(this);
  chk_acq_active->setObjectName(QStringLiteral("chk_acq_active"));

  lbl_directory = label("lbl_directory");
  txt_log_directory = new QLineEdit(this);
  txt_log_directory->setObjectName(QStringLiteral("txt_log_directory"));
  txt_log_directory->setReadOnly(true);
  txt_log_directory->setMinimumWidth(260);
  cmd_dir_select = new QPushButton(this);
  cmd_dir_select->setObjectName(QStringLiteral("cmd_dir_select"));
  cmd_dir_select->setIcon(style()->standardIcon(QStyle::SP_DirOpenIcon));
  cmd_dir_select->setAutoDefault(false);

  cmd_ok = new QPushButton(this);
  cmd_ok->setObjectName(QStringLiteral("cmd_ok"));
  cmd_ok->setDefault(true);
  cmd_abort = new QPushButton(this);
  cmd_abort->setObjectName(QStringLiteral("cmd_abort"));
  cmd_abort->setAutoDefault(false);

  auto* grid = new QGridLayout;
  grid->setHorizontalSpacing(12);
  grid->setVerticalSpacing(6);
  int row = 0;
  grid->addWidget(lbl_dev_desc, row, 0);
  grid->addWidget(txt_dev_desc, row++, 1, 1, 2);
  grid->addWidget(chk_use_usb, row++, 1, 1, 2);
  grid->addWidget(lbl_address, row, 0);
  grid->addWidget(cmb_modb_addr, row++, 1);
  grid->addWidget(lbl_com, row, 0);
  grid->addWidget(cmb_com, row++, 1);
  grid->addWidget(lbl_baud, row, 0);
  grid->addWidget(cmb_baud, row++, 1);
  grid->addWidget(lbl_parity, row, 0);
  grid->addWidget(x_cmb_parity, row++, 1);
  grid->addWidget(chk_acq_active, row++, 1, 1, 2);
  grid->addWidget(lbl_directory, row, 0);
  auto* dir_row = new QHBoxLayout;
  dir_row->setSpacing(4);
  dir_row->addWidget(txt_log_directory, 1);
  dir_row->addWidget(cmd_dir_select);
  grid->addLayout(dir_row, row++, 1, 1, 2);
  grid->setColumnStretch(2, 1);

  auto* buttons = new QHBoxLayout;
  buttons->addStretch(1);
  buttons->addWidget(cmd_ok);
  buttons->addWidget(cmd_abort);

  auto* main = new QVBoxLayout(this);
  main->setContentsMargins(14, 14, 14, 12);
  main->setSpacing(14);
  main->addLayout(grid);
  main->addLayout(buttons);
  main->setSizeConstraint(QLayout::SetFixedSize);  // a fixed-size dialog

  setWindowTitle(QStringLiteral("Device configuration"));
  set_form_number(this, FORM_DEV_SETUP);
  apply_form_texts(this, FORM_DEV_SETUP);
}

// ---- small operations ------------------------------------------------------------

void TDlg_setup::select_com_item(QComboBox* combo, int port) {
  combo->setCurrentIndex(combo->findText(QStringLiteral("COM") + QString::number(port), Qt::MatchExactly));
}

void TDlg_setup::select_item(QComboBox* combo, int index) {
  combo->setCurrentIndex(index >= 0 && index < combo->count() ? index : -1);
}

int TDlg_setup::com_number(const QComboBox* combo) {
  bool ok = false;
  const int n = combo->currentText().mid(3, 3).toInt(&ok);
  return ok ? n : 0;
}

// ---- opening -----------------------------------------------------------------------

void TDlg_setup::open_for(int id) {
  if (opening_ || id < 0 || id >= MAX_DEVICES) return;
  opening_ = true;
  device_id = id;
  show();
  fit_to_monitor(this);
  // Nothing can be confirmed while the port list is on its way.
  setEnabled(false);
  set_dlg_lang();
  restore_form();
  setEnabled(true);
  opening_ = false;
  txt_dev_desc->setFocus();
}

void TDlg_setup::set_dlg_lang() {
  apply_form_texts(this, FORM_DEV_SETUP);  // window caption and the controls

  {
    // The service closes its port and probes COM1..COM50, so the port the
    // program itself was using shows as available.
    busy_cursor busy;
    srvc_client().request(REQR_COMM_LIST, device_id);
  }

  cmb_com->clear();
  for (int n = 1; n <= COM_PORTS; ++n)
    if (com_avail_tab[n - 1].load(rlx)) cmb_com->addItem(QStringLiteral("COM") + QString::number(n));

  if (cmb_modb_addr->count() < MODB_ADDR_CNT) {
    cmb_modb_addr->clear();
    for (int a = 1; a <= MODB_ADDR_CNT; ++a) cmb_modb_addr->addItem(QString::number(a));
  }
}

void TDlg_setup::restore_form() {
  const t_dev_conn& c = common_setup.dev_conn[device_id];
  txt_dev_desc->setText(c.tag.get());
  select_item(cmb_baud, c.baud_idx.load(rlx));
  select_com_item(cmb_com, c.com_num.load(rlx));
  select_item(x_cmb_parity, c.parity.load(rlx));
  select_item(cmb_modb_addr, c.addr.load(rlx));
  chk_acq_active->setChecked(c.log_active.load(rlx));
  txt_log_directory->setText(c.log_dir.get());
  // Last, so that a USB record always ends with the fixed USB settings.
  chk_use_usb->setChecked(c.use_usb.load(rlx));
  chk_use_usbClick();
}

bool TDlg_setup::update_form(t_dev_conn& c) {
  copy_dev_conn(c, common_setup.dev_conn[device_id]);
  bool changed = !c.active.load(rlx);  // a new device always counts as changed

  const QString tag = txt_dev_desc->text();
  if (tag != c.tag.get()) {
    c.tag.set(tag);
    changed = true;
  }
  c.baud_idx.store(cmb_baud->currentIndex(), rlx);
  const int com = com_number(cmb_com);
  if (com != c.com_num.load(rlx)) {
    c.com_num.store(com, rlx);
    changed = true;
  }
  c.parity.store(x_cmb_parity->currentIndex(), rlx);
  const int addr = cmb_modb_addr->currentIndex();
  if (addr != c.addr.load(rlx)) {
    c.addr.store(addr, rlx);
    changed = true;
  }
  const QString dir = txt_log_directory->text();
  if (dir != c.log_dir.get()) {
    c.log_dir.set(dir);
    changed = true;
  }
  c.log_active.store(chk_acq_active->isChecked(), rlx);
  c.use_usb.store(chk_use_usb->isChecked(), rlx);
  return changed;
}

// ---- handlers ------------------------------------------------------------------------

void TDlg_setup::chk_use_usbClick() {
  const bool usb = chk_use_usb->isChecked();
  for (QWidget* w :
       std::initializer_list<QWidget*>{cmb_modb_addr, lbl_address, cmb_baud, lbl_baud, x_cmb_parity, lbl_parity})
    w->setEnabled(!usb);
  if (usb) {
    cmb_modb_addr->setCurrentIndex(cmb_modb_addr->count() > 0 ? 0 : -1);
    cmb_baud->setCurrentIndex(cmb_baud->count() - 1);
    x_cmb_parity->setCurrentIndex(x_cmb_parity->count() > 0 ? 0 : -1);
  }
}

void TDlg_setup::cmd_dir_selectClick() {
  if (!picker_) return;
  const QString dir = picker_(this, msg_text(MSG_SELECT_LOG_DIR), txt_log_directory->text());
  if (dir.isEmpty()) return;
  if (!storable_text(dir)) {
    show_error(msg_text(MSG_INVALID_ENTRY) + QStringLiteral(" [") + dir + QStringLiteral("]\r\n") +
               QStringLiteral("A folder name with \"|\" or characters beyond code 255 cannot be stored. "
                              "Choose another folder."));
    return;
  }
  txt_log_directory->setText(dir);
}

void TDlg_setup::cmd_okClick() {
  if (opening_) return;
  if (txt_dev_desc->text().isEmpty()) {
    show_error_msg(MSG_ENTER_DESC);
    return;
  }
  if (txt_log_directory->text().isEmpty()) {
    show_error_msg(MSG_SELECT_LOG_PATH);
    return;
  }
  // The record and the acquisition fields belong to the service while it
  // runs: it flushes the device's log under its old name, takes the new
  // record and, when the connection's identity changed, starts the device
  // afresh, between two polls.
  t_dev_conn rec;
  const bool changed = update_form(rec);
  rec.active.store(true, rlx);
  bool done = false;
  {
    busy_cursor busy;
    done = srvc_client().edit_connection(device_id, rec, changed);
  }
  if (done) accept();
}

void TDlg_setup::cmd_abortClick() { reject(); }

void TDlg_setup::FormClose(int result) {
  if (on_closed_) on_closed_(result == QDialog::Accepted);
}
