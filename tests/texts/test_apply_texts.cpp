// Texts of the table on real widgets: a small main window of form 0 and a
// dialog of form 1, relabelled with the defaults and with language packs
// written to a temporary folder, and the language menu driven by its items.
#include "core/common_data.h"
#include "texts/apply_texts.h"
#include "texts/lng_pack.h"
#include "texts/qstring_print.h"
#include "texts/text_table.h"

#include <QAction>
#include <QCheckBox>
#include <QComboBox>
#include <QDialog>
#include <QFile>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QMainWindow>
#include <QMenu>
#include <QMenuBar>
#include <QPixmap>
#include <QPushButton>
#include <QTabWidget>
#include <QTableWidget>
#include <QTemporaryDir>
#include <QToolBar>
#include <QToolButton>
#include <QVBoxLayout>

#include <gtest/gtest.h>

#include <memory>

namespace {

template <typename T>
T* add(QWidget* parent, const char* name, const QString& design = QString()) {
  auto* w = new T(parent);
  w->setObjectName(QString::fromLatin1(name));
  if constexpr (std::is_base_of_v<QAbstractButton, T> || std::is_same_v<T, QLabel>) w->setText(design);
  if (parent && parent->layout()) parent->layout()->addWidget(w);
  return w;
}

// A cut-down main window with controls of form 0 named as in the program.
struct main_rig {
  std::unique_ptr<QMainWindow> win = std::make_unique<QMainWindow>();
  QTabWidget* pages = nullptr;
  QWidget* tab_base = nullptr;
  QWidget* tab_inputs = nullptr;
  QGroupBox* grp_serial_if = nullptr;
  QCheckBox* chk_rs_term = nullptr;
  QComboBox* cmb_baud = nullptr;
  QComboBox* cmb_din1_fun = nullptr;
  QComboBox* cmb_unit = nullptr;
  QComboBox* x_cmb_sel_tunit_1 = nullptr;
  QLineEdit* txt_dev_tag = nullptr;
  QLabel* lbl_curr_meas = nullptr;
  QLabel* x_lbl_curr_meas_val = nullptr;
  QLabel* lbl_dev_desc = nullptr;  // a control of form 1 placed on form 0
  QLabel* lbl_cal_4ma = nullptr;
  QLabel* img_dev1_ok = nullptr;
  QLabel* unnamed = nullptr;
  QGroupBox* x_grp_current = nullptr;
  QLabel* lbl_curr_raw = nullptr;
  QTableWidget* grd_setup_live = nullptr;
  QPushButton* cmd_scale_t_1 = nullptr;
  QToolButton* x_cmd_zin_a = nullptr;
  QMenu* menm_file = nullptr;
  QAction* menm_exit = nullptr;
  QAction* menm_sep = nullptr;
  QMenu* menm_language = nullptr;
  QMenu* menp_dsp = nullptr;
  QAction* menp_dsp_add = nullptr;
  QAction* x_menp_own = nullptr;
  QToolBar* tlb_main = nullptr;
  QAction* tcmd_load = nullptr;
  QToolButton* tcmd_save = nullptr;
  QDialog* child_dialog = nullptr;
  QPushButton* dlg_cmd_ok = nullptr;

  main_rig() {
    win->setObjectName("MainForm");
    set_form_number(win.get(), FORM_MAIN);
    auto* central = new QWidget;
    central->setObjectName("pnl_main");
    new QVBoxLayout(central);
    win->setCentralWidget(central);

    pages = add<QTabWidget>(central, "pgctrl_main");
    tab_base = new QWidget;
    tab_base->setObjectName("tab_base");
    new QVBoxLayout(tab_base);
    pages->addTab(tab_base, "design base");
    tab_inputs = new QWidget;
    tab_inputs->setObjectName("tab_inputs");
    new QVBoxLayout(tab_inputs);
    pages->addTab(tab_inputs, "design inputs");

    grp_serial_if = add<QGroupBox>(tab_base, "grp_serial_if");
    new QVBoxLayout(grp_serial_if);
    chk_rs_term = add<QCheckBox>(grp_serial_if, "chk_rs_term", "design term");
    cmb_baud = add<QComboBox>(grp_serial_if, "cmb_baud");
    cmb_baud->addItems({"9600", "19200"});
    // A layout helper without a name between the group and its controls.
    auto* helper = new QWidget(grp_serial_if);
    new QVBoxLayout(helper);
    grp_serial_if->layout()->addWidget(helper);
    txt_dev_tag = add<QLineEdit>(helper, "txt_dev_tag");
    txt_dev_tag->setText("FT-101");
    unnamed = add<QLabel>(helper, "", "design unnamed");

    cmb_din1_fun = add<QComboBox>(tab_inputs, "cmb_din1_fun");
    cmb_din1_fun->addItems({"a", "b", "c"});
    cmb_din1_fun->setCurrentIndex(2);
    cmb_unit = add<QComboBox>(tab_inputs, "cmb_unit");

    lbl_curr_meas = add<QLabel>(central, "lbl_curr_meas", "design meas");
    x_lbl_curr_meas_val = add<QLabel>(central, "x_lbl_curr_meas_val", "12.5 kg/h");
    lbl_dev_desc = add<QLabel>(central, "lbl_dev_desc", "design desc");
    lbl_cal_4ma = add<QLabel>(central, "lbl_cal_4ma", "design cal");
    img_dev1_ok = add<QLabel>(central, "img_dev1_ok");
    QPixmap px(24, 24);
    px.fill(Qt::green);
    img_dev1_ok->setPixmap(px);
    img_dev1_ok->setToolTip("Connected");
    x_grp_current = add<QGroupBox>(central, "x_grp_current");
    x_grp_current->setTitle("COM3 / 1");
    new QVBoxLayout(x_grp_current);
    lbl_curr_raw = add<QLabel>(x_grp_current, "lbl_curr_raw", "design raw");

    grd_setup_live = add<QTableWidget>(central, "grd_setup_live");
    grd_setup_live->setColumnCount(12);
    grd_setup_live->setRowCount(2);
    cmd_scale_t_1 = add<QPushButton>(central, "cmd_scale_t_1", "design scale");
    x_cmb_sel_tunit_1 = add<QComboBox>(central, "x_cmb_sel_tunit_1");
    x_cmb_sel_tunit_1->addItems({"\u00B0C", "\u00B0F"});
    x_cmd_zin_a = add<QToolButton>(central, "x_cmd_zin_a", "+");

    QMenuBar* bar = win->menuBar();
    bar->setObjectName("men_main");
    menm_file = bar->addMenu("design file");
    menm_file->setObjectName("menm_file");
    menm_sep = menm_file->addSeparator();
    menm_sep->setObjectName("menm_sep");
    menm_exit = menm_file->addAction("design exit");
    menm_exit->setObjectName("menm_exit");
    menm_language = bar->addMenu("design language");
    menm_language->setObjectName("menm_language");
    menp_dsp = new QMenu(win.get());
    menp_dsp->setObjectName("menp_dsp");
    menp_dsp_add = menp_dsp->addAction("design add");
    menp_dsp_add->setObjectName("menp_dsp_add");
    x_menp_own = menp_dsp->addAction("own caption");
    x_menp_own->setObjectName("x_menp_own");

    tlb_main = win->addToolBar("tools");
    tlb_main->setObjectName("tlb_main");
    tcmd_load = tlb_main->addAction("L");
    tcmd_load->setObjectName("tcmd_load");
    tcmd_save = new QToolButton;
    tcmd_save->setObjectName("tcmd_save");
    tcmd_save->setText("S");
    tlb_main->addWidget(tcmd_save);

    // Another form living as a child window of the main window.
    child_dialog = new QDialog(win.get());
    child_dialog->setObjectName("TDlg_setup");
    new QVBoxLayout(child_dialog);
    dlg_cmd_ok = add<QPushButton>(child_dialog, "cmd_ok", "design ok");
  }
};

QString row_text(const char* name, int32_t kind, int32_t form) {
  const int r = find_text_row(QString::fromLatin1(name), kind, form);
  return r < 0 ? QString() : cur_texts[r];
}

// Edits of the German pack (row name, kind, form, text).
struct row_edit {
  const char* name;
  int32_t kind;
  int32_t form;
  const char* text;
};

const row_edit k_german[] = {
    {"main_form_caption", TXT_KIND_FORM, 0, "OrvConfig Hauptfenster"},
    {"tab_base", TXT_KIND_CAPTION, 0, "Einstellungen"},
    {"grp_serial_if", TXT_KIND_CAPTION, 0, "RS485-Schnittstelle"},
    {"chk_rs_term", TXT_KIND_CAPTION, 0, "Abschluss"},
    {"cmb_baud", TXT_KIND_HINT, 0, "Baudrate w\u00E4hlen|zweite Zeile"},
    {"cmb_din1_fun", TXT_KIND_CAPTION, 0, "keine|Messwert halten|Produktwahl"},
    {"txt_dev_tag", TXT_KIND_HINT, 0, "Messstelle"},
    {"lbl_curr_meas", TXT_KIND_CAPTION, 0, "Messw.:"},
    {"grd_setup_live", TXT_KIND_CAPTION, 0, "Bezeichnung|Linie"},
    {"cmd_scale_t_1", TXT_KIND_CAPTION, 0, "Autoskala"},
    {"x_cmd_zin_l", TXT_KIND_HINT, 0, "Vergr\u00F6\u00DFern"},
    {"menm_file", TXT_KIND_CAPTION, 0, "Datei"},
    {"menm_exit", TXT_KIND_CAPTION, 0, "&Beenden"},
    {"menm_language", TXT_KIND_CAPTION, 0, "Sprache"},
    {"menp_dsp_add", TXT_KIND_CAPTION, 0, "Kanal hinzuf\u00FCgen"},
    {"tcmd_load", TXT_KIND_HINT, 0, "Konfiguration laden"},
    {"tcmd_save", TXT_KIND_HINT, 0, "Konfiguration speichern"},
    {"log_setup_caption", TXT_KIND_FORM, 1, "Ger\u00E4tekonfiguration"},
    {"cmd_ok", TXT_KIND_CAPTION, 1, "Ja"},
    {"mesage_text_81", TXT_KIND_MESSAGE, 81, "Sprachpaket defekt."},
};

class ApplyTexts : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(dir_.isValid());
    init_texts();
    set_aout_mode_query(nullptr);
    ctrl_updating = false;
    cfg_ = t_lng_config{};
  }
  void TearDown() override {
    init_texts();
    set_aout_mode_query(nullptr);
  }

  // The translators' template written from the current texts, edited and
  // given its checksum, saved as a pack.
  void write_pack(const QString& file, const row_edit* edits, size_t n, bool break_checksum = false) {
    ASSERT_TRUE(write_basic_lng(dir_.path()));
    QFile f(dir_.filePath(BASIC_LNG_FILE));
    ASSERT_TRUE(f.open(QIODevice::ReadOnly));
    QString text;
    ASSERT_TRUE(decode_lng_bytes(f.readAll(), text));
    QStringList lines = split_lng_lines(text);
    ASSERT_EQ(lines.size(), LNG_PACK_LINES);
    ASSERT_EQ(lines.last(), QString(BASIC_LNG_CHECKSUM));
    for (size_t k = 0; k < n; ++k) {
      const int r = find_text_row(QString::fromLatin1(edits[k].name), edits[k].kind, edits[k].form);
      ASSERT_GE(r, 0) << edits[k].name;
      lines[r] = QString::fromUtf8(edits[k].text);
    }
    lines.removeLast();
    uint32_t sum = lng_checksum(lines);
    if (break_checksum) ++sum;
    lines.append(lng_checksum_text(sum));
    ASSERT_TRUE(write_lng_lines(dir_.filePath(file), lines));
  }

  void write_german() { write_pack("Deutsch_v1.lngpack", k_german, std::size(k_german)); }
  void write_english() { write_pack("Englisch_std.lngpack", nullptr, 0); }

  QTemporaryDir dir_;
  t_lng_config cfg_;
};

TEST_F(ApplyTexts, DefaultTextsReachEveryKindOfControl) {
  main_rig m;
  int index_changes = 0;
  QObject::connect(m.cmb_din1_fun, &QComboBox::currentIndexChanged, [&](int) { ++index_changes; });
  apply_main_texts(m.win.get(), cfg_);

  EXPECT_EQ(m.win->windowTitle(), QString("OrvConfig Main display 4.0"));
  EXPECT_EQ(m.pages->tabText(0), QString("Transmitter settings"));
  EXPECT_EQ(m.pages->tabText(1), QString("Digital inputs"));
  EXPECT_EQ(m.grp_serial_if->title(), QString("RS485 interface"));
  EXPECT_EQ(m.chk_rs_term->text(), QString("RS485 termination"));
  EXPECT_EQ(m.cmb_baud->toolTip(), QString("Select Baud rate"));
  EXPECT_EQ(m.txt_dev_tag->toolTip(), QString("Measuring point designation"));
  EXPECT_EQ(m.txt_dev_tag->text(), QString("FT-101"));  // an edit keeps its contents
  EXPECT_EQ(m.lbl_curr_meas->text(), QString("Meas.:"));

  // Items: from the table, fixed for cmb_unit, kept when the table has none;
  // the selection stays and no change is reported.
  EXPECT_EQ(m.cmb_din1_fun->count(), 3);
  EXPECT_EQ(m.cmb_din1_fun->itemText(1), QString("Freeze measurement"));
  EXPECT_EQ(m.cmb_din1_fun->currentIndex(), 2);
  EXPECT_EQ(index_changes, 0);
  EXPECT_EQ(m.cmb_unit->count(), 7);
  EXPECT_EQ(m.cmb_unit->itemText(6), QString("%"));
  EXPECT_EQ(m.cmb_baud->count(), 2);
  EXPECT_EQ(m.cmb_baud->itemText(1), QString("19200"));

  // Grid titles: one field per column, missing fields empty.
  EXPECT_EQ(m.grd_setup_live->horizontalHeaderItem(0)->text(), QString("Description"));
  EXPECT_EQ(m.grd_setup_live->horizontalHeaderItem(10)->text(), QString("Total C1-C2"));
  EXPECT_EQ(m.grd_setup_live->horizontalHeaderItem(11)->text(), QString());

  // "x" controls keep what the program gave them; the walk still enters an
  // "x" group; a control of another form gets an empty caption; pictures and
  // unnamed widgets are left alone.
  EXPECT_EQ(m.x_lbl_curr_meas_val->text(), QString("12.5 kg/h"));
  EXPECT_EQ(m.x_grp_current->title(), QString("COM3 / 1"));
  EXPECT_EQ(m.lbl_curr_raw->text(), row_text("lbl_curr_raw", TXT_KIND_CAPTION, 0));
  EXPECT_NE(m.lbl_curr_raw->text(), QString("design raw"));
  EXPECT_EQ(m.lbl_dev_desc->text(), QString());
  EXPECT_FALSE(m.img_dev1_ok->pixmap().isNull());
  EXPECT_EQ(m.img_dev1_ok->toolTip(), QString("Connected"));
  EXPECT_EQ(m.unnamed->text(), QString("design unnamed"));

  // Zoom hint of an "x" button, the temperature autoscale caption with its unit.
  EXPECT_EQ(m.x_cmd_zin_a->toolTip(), QString("Zoom In"));
  EXPECT_EQ(m.x_cmd_zin_a->text(), QString("+"));
  EXPECT_EQ(m.cmd_scale_t_1->text(), QString("Autoscale \u00B0C"));
  m.x_cmb_sel_tunit_1->setCurrentIndex(1);
  apply_temp_scale_caption(m.win.get(), 1);
  EXPECT_EQ(m.cmd_scale_t_1->text(), QString("Autoscale \u00B0F"));

  // Menus, pop-up, tool bar.
  EXPECT_EQ(m.menm_file->title(), QString("File"));
  EXPECT_EQ(m.menm_exit->text(), QString("E&xit"));
  EXPECT_TRUE(m.menm_sep->isSeparator());
  EXPECT_EQ(m.menm_language->title(), QString("Language"));
  EXPECT_EQ(m.menp_dsp_add->text(), QString("Add new display channel"));
  EXPECT_EQ(m.x_menp_own->text(), QString("own caption"));
  EXPECT_EQ(m.tcmd_load->toolTip(), QString("Load device configuration"));
  EXPECT_EQ(m.tcmd_load->text(), QString("L"));
  EXPECT_EQ(m.tcmd_save->toolTip(), QString("Save device configuration"));

  // The child dialog is another form: the main window's walk leaves it.
  EXPECT_EQ(m.dlg_cmd_ok->text(), QString("design ok"));
  EXPECT_FALSE(ctrl_updating);
}

TEST_F(ApplyTexts, AnalogOutputModeChoosesTheCaption) {
  main_rig m;
  apply_texts(m.win->centralWidget(), FORM_MAIN);
  EXPECT_EQ(m.lbl_cal_4ma->text(), QString("Calibration 4mA"));
  set_aout_mode_query([] { return true; });
  apply_texts(m.win->centralWidget(), FORM_MAIN);
  EXPECT_EQ(m.lbl_cal_4ma->text(), QString("Calibration 2V"));
  EXPECT_EQ(m.lbl_cal_4ma->toolTip(), QString("Electrical calibration of Analog Output (lower value)"));
}

TEST_F(ApplyTexts, FormTextsOfADialog) {
  QDialog dlg;
  new QVBoxLayout(&dlg);
  dlg.setWindowTitle("design");
  auto* ok = add<QPushButton>(&dlg, "cmd_ok", "design ok");
  auto* abort = add<QPushButton>(&dlg, "cmd_abort", "design abort");
  auto* x_own = add<QLabel>(&dlg, "x_lbl_port", "COM7");
  apply_form_texts(&dlg, FORM_DEV_SETUP);
  EXPECT_EQ(dlg.windowTitle(), QString("Device configuration"));
  EXPECT_EQ(ok->text(), QString("OK"));
  EXPECT_EQ(ok->toolTip(), QString("Save settings and close"));
  EXPECT_EQ(abort->text(), QString("Cancel"));
  EXPECT_EQ(x_own->text(), QString("COM7"));

  // The message dialog has no caption row: the caption stays.
  dlg.setWindowTitle("kept");
  apply_form_texts(&dlg, FORM_DLG_BOX);
  EXPECT_EQ(dlg.windowTitle(), QString("kept"));
}

TEST_F(ApplyTexts, PackTextsReplaceTheDefaults) {
  write_german();
  QString log;
  ASSERT_TRUE(load_lng_pack(dir_.filePath("Deutsch_v1.lngpack"), log)) << log.toStdString();
  main_rig m;
  apply_main_texts(m.win.get(), cfg_);

  EXPECT_EQ(m.win->windowTitle(), QString("OrvConfig Hauptfenster 4.0"));
  EXPECT_EQ(m.pages->tabText(0), QString("Einstellungen"));
  EXPECT_EQ(m.grp_serial_if->title(), QString("RS485-Schnittstelle"));
  EXPECT_EQ(m.chk_rs_term->text(), QString("Abschluss"));
  EXPECT_EQ(m.cmb_baud->toolTip(), QString("Baudrate w\u00E4hlen\r\nzweite Zeile"));
  EXPECT_EQ(m.cmb_din1_fun->itemText(0), QString("keine"));
  EXPECT_EQ(m.cmb_din1_fun->itemText(2), QString("Produktwahl"));
  EXPECT_EQ(m.cmb_din1_fun->currentIndex(), 2);
  EXPECT_EQ(m.cmb_unit->itemText(0), QString("kg/h"));  // never translated
  EXPECT_EQ(m.txt_dev_tag->toolTip(), QString("Messstelle"));
  EXPECT_EQ(m.lbl_curr_meas->text(), QString("Messw.:"));
  EXPECT_EQ(m.grd_setup_live->horizontalHeaderItem(0)->text(), QString("Bezeichnung"));
  EXPECT_EQ(m.grd_setup_live->horizontalHeaderItem(1)->text(), QString("Linie"));
  EXPECT_EQ(m.grd_setup_live->horizontalHeaderItem(2)->text(), QString());
  EXPECT_EQ(m.cmd_scale_t_1->text(), QString("Autoskala \u00B0C"));
  EXPECT_EQ(m.x_cmd_zin_a->toolTip(), QString("Vergr\u00F6\u00DFern"));
  EXPECT_EQ(m.menm_file->title(), QString("Datei"));
  EXPECT_EQ(m.menm_exit->text(), QString("&Beenden"));
  EXPECT_EQ(m.menp_dsp_add->text(), QString("Kanal hinzuf\u00FCgen"));
  EXPECT_EQ(m.tcmd_load->toolTip(), QString("Konfiguration laden"));
  EXPECT_EQ(m.tcmd_save->toolTip(), QString("Konfiguration speichern"));
  EXPECT_EQ(m.x_lbl_curr_meas_val->text(), QString("12.5 kg/h"));
  EXPECT_EQ(m.x_menp_own->text(), QString("own caption"));

  apply_form_texts(m.child_dialog, FORM_DEV_SETUP);
  EXPECT_EQ(m.child_dialog->windowTitle(), QString("Ger\u00E4tekonfiguration"));
  EXPECT_EQ(m.dlg_cmd_ok->text(), QString("Ja"));
}

TEST_F(ApplyTexts, AppTitleAndFolders) {
  QWidget w;
  cfg_dir = "unset";
  data_dir = "unset";
  EXPECT_EQ(set_app_title(false, &w), QString("OrvConfig 2.0 4.0"));
  EXPECT_EQ(w.windowTitle(), QString("OrvConfig 2.0 4.0"));
  EXPECT_EQ(cfg_dir, QString("unset"));
  set_app_title(true);
  EXPECT_EQ(cfg_dir, QString("Tarvik\\Orv_Cfg"));
  EXPECT_EQ(data_dir, QString("Tarvik\\Orv_Data"));

  const row_edit own[] = {{"application_name", TXT_KIND_APP_NAME, 0, "Orv Konfigurator"},
                          {"app_cfg_path", TXT_KIND_CFG_DIR, 0, "Firma\\Orv_Konfig"},
                          {"app_data_path", TXT_KIND_DATA_DIR, 0, "Firma\\Orv_Daten"}};
  write_pack("Own_a.lngpack", own, std::size(own));
  QString log;
  ASSERT_TRUE(load_lng_pack(dir_.filePath("Own_a.lngpack"), log));
  EXPECT_EQ(set_app_title(true), QString("Orv Konfigurator 4.0"));
  EXPECT_EQ(cfg_dir, QString("Firma\\Orv_Konfig"));
  EXPECT_EQ(data_dir, QString("Firma\\Orv_Daten"));

  // A pack cannot point the work folders outside the application-data folder.
  const row_edit escape[] = {{"app_cfg_path", TXT_KIND_CFG_DIR, 0, "..\\..\\..\\tmp\\x"},
                             {"app_data_path", TXT_KIND_DATA_DIR, 0, "Tarvik/../../etc"}};
  write_pack("Bad_a.lngpack", escape, std::size(escape));
  ASSERT_TRUE(load_lng_pack(dir_.filePath("Bad_a.lngpack"), log));
  set_app_title(true);
  EXPECT_EQ(cfg_dir, QString("Tarvik\\Orv_Cfg"));
  EXPECT_EQ(data_dir, QString("Tarvik\\Orv_Data"));
}

QList<QAction*> lng_items(QMenu* menu) {
  QList<QAction*> out;
  for (QAction* a : menu->actions())
    if (a->objectName().startsWith(LNG_ITEM_PREFIX)) out.append(a);
  return out;
}

TEST_F(ApplyTexts, LanguageMenuShowsThePacks) {
  write_english();
  write_german();
  QString log;
  ASSERT_EQ(find_lng_packs(cfg_, dir_.path(), log), 2);
  cfg_.curr_lng = "Englisch";
  QMenu menu;
  QList<int> chosen;
  build_language_menu(&menu, cfg_, [&](int i) { chosen.append(i); });
  build_language_menu(&menu, cfg_, [&](int i) { chosen.append(i); });  // replaces, never duplicates

  const QList<QAction*> items = lng_items(&menu);
  ASSERT_EQ(items.size(), LNG_MAX_PACKS);
  EXPECT_TRUE(menu.menuAction()->isVisible());
  EXPECT_EQ(items[0]->objectName(), QString("x_menm_lng_1"));
  EXPECT_EQ(items[0]->text(), QString("Deutsch"));
  EXPECT_EQ(items[1]->text(), QString("Englisch"));
  EXPECT_FALSE(items[0]->isChecked());
  EXPECT_TRUE(items[1]->isChecked());
  EXPECT_TRUE(items[1]->isVisible());
  EXPECT_FALSE(items[2]->isVisible());
  EXPECT_EQ(items[1]->data().toInt(), 1);

  items[0]->trigger();
  EXPECT_EQ(chosen, QList<int>{0});

  // One pack only: the menu is hidden.
  cfg_.lng_cnt = 1;
  update_language_menu(&menu, cfg_);
  EXPECT_FALSE(menu.menuAction()->isVisible());
  EXPECT_FALSE(items[1]->isVisible());
}

TEST_F(ApplyTexts, ChoosingALanguageRelabelsTheOpenForms) {
  write_english();
  write_german();
  write_pack("Zulu_broken.lngpack", nullptr, 0, true);
  QString log;
  ASSERT_EQ(find_lng_packs(cfg_, dir_.path(), log), 3);
  ASSERT_EQ(cfg_.lng_name[2], QString("Zulu"));
  cfg_.curr_lng = "Englisch";

  main_rig m;
  QDialog dlg;  // a second top-level form, form 1
  dlg.setObjectName("TDlg_setup");
  set_form_number(&dlg, FORM_DEV_SETUP);
  new QVBoxLayout(&dlg);
  auto* dlg_ok = add<QPushButton>(&dlg, "cmd_ok", "design ok");
  QWidget stray;  // a top-level widget without a form number is not touched
  auto* stray_lbl = add<QLabel>(&stray, "lbl_curr_meas", "stray");

  QStringList reports;
  auto report = [&](const QString& text) { reports.append(text); };
  build_language_menu(m.menm_language, cfg_, [&](int i) { choose_language_flow(cfg_, i, report, dir_.path()); });
  apply_main_texts(m.win.get(), cfg_);
  EXPECT_EQ(m.lbl_curr_meas->text(), QString("Meas.:"));
  QList<QAction*> items = lng_items(m.menm_language);
  EXPECT_TRUE(items[1]->isChecked());

  items[0]->trigger();  // Deutsch
  EXPECT_TRUE(reports.isEmpty());
  EXPECT_EQ(cfg_.curr_lng, QString("Deutsch"));
  EXPECT_EQ(m.lbl_curr_meas->text(), QString("Messw.:"));
  EXPECT_EQ(m.menm_language->title(), QString("Sprache"));
  EXPECT_EQ(m.win->windowTitle(), QString("OrvConfig Hauptfenster 4.0"));
  EXPECT_EQ(dlg_ok->text(), QString("Ja"));
  EXPECT_EQ(dlg.windowTitle(), QString("Ger\u00E4tekonfiguration"));
  EXPECT_EQ(stray_lbl->text(), QString("stray"));
  EXPECT_TRUE(items[0]->isChecked());
  EXPECT_FALSE(items[1]->isChecked());

  // A damaged pack: message 81 of the language in use, texts and check stay.
  items[2]->trigger();
  ASSERT_EQ(reports.size(), 1);
  EXPECT_EQ(reports[0], QString("Sprachpaket defekt."));
  EXPECT_EQ(cfg_.curr_lng, QString("Deutsch"));
  EXPECT_EQ(cfg_.lng_cnt, 3);
  EXPECT_EQ(m.lbl_curr_meas->text(), QString("Messw.:"));
  EXPECT_TRUE(items[0]->isChecked());
  EXPECT_FALSE(items[2]->isChecked());

  items[1]->trigger();  // back to English
  EXPECT_EQ(m.lbl_curr_meas->text(), QString("Meas.:"));
  EXPECT_EQ(m.menm_exit->text(), QString("E&xit"));
  EXPECT_TRUE(items[1]->isChecked());
}

TEST_F(ApplyTexts, MissingControlsAreSkipped) {
  QMainWindow bare;
  apply_main_texts(&bare, cfg_);
  EXPECT_EQ(bare.windowTitle(), QString("OrvConfig Main display 4.0"));
  apply_texts(nullptr, 0);
  apply_menu_texts(nullptr, 0);
  apply_toolbar_hints(nullptr, 0);
  build_language_menu(nullptr, cfg_, {});
  update_language_menu(nullptr, cfg_);
  QMainWindow* none = nullptr;
  apply_main_texts(none, cfg_);
  apply_temp_scale_caption(&bare, 3);
}

}  // namespace
