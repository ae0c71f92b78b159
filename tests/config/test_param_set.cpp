// Parameter set files: the content, the files, and loading into the
// program's configurations.
#include "config/cfg_transfer.h"
#include "config/param_set.h"
#include "settings/checked_file.h"
#include "support/test_env.h"

#include <QDir>
#include <QFile>

#include <gtest/gtest.h>

#include <sys/resource.h>

#include <csignal>
#include <random>

namespace {

t_param_set random_set(uint32_t seed) {
  std::mt19937 rng(seed);
  t_param_set s;
  s.sensor_mode = 1;
  for (auto& v : s.param) v = static_cast<uint16_t>(rng());
  for (auto& v : s.prod) v = static_cast<uint16_t>(rng());
  s.param[PARAM_REGS - 1] = 0xBEEF;  // register 84
  s.prod[PROD_REGS - 1] = 0xFFFF;    // element 1728
  return s;
}

// A content with one field replaced (fields counted from 1).
QString with_field(const QString& content, int field, const QString& value) {
  QStringList f = content.split(u'|');
  f[field - 1] = value;
  return f.join(u'|');
}

QByteArray file_bytes(const QString& path) {
  QFile f(path);
  return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

void fill_device(int d, uint16_t base) {
  auto& s = m_stat.dev_stat[d];
  for (int k = 0; k < PARAM_REGS; ++k) s.edit_param.set(k, static_cast<uint16_t>(base + k));
  for (int k = 0; k < PROD_REGS; ++k) s.edit_prod.set(k, static_cast<uint16_t>(base * 3 + k));
}

}  // namespace

TEST(ParamSetText, HasTheFieldsInOrderAndRoundTripsEveryValue) {
  const t_param_set s = random_set(7);
  const QString text = param_set_text(s);
  EXPECT_TRUE(text.startsWith("Orv Configuration file|Fromat1|1|"));
  EXPECT_TRUE(text.endsWith("|65535|"));
  EXPECT_EQ(text.count(u'|'), PARAM_SET_FIELDS);
  t_param_set back;
  ASSERT_TRUE(parse_param_set_fields(text, back));
  EXPECT_EQ(back, s);  // register 84 and element 1728 included
}

TEST(ParamSetText, ReadsTheFieldsAsTheFormatAllows) {
  const QString good = param_set_text(random_set(3));
  t_param_set s;

  ASSERT_TRUE(parse_param_set_fields(good + "x", s));  // text after the last "|" is ignored
  ASSERT_TRUE(parse_param_set_fields(with_field(good, 4, "70000"), s));
  EXPECT_EQ(s.param[0], 4464);  // the low 16 bits
  ASSERT_TRUE(parse_param_set_fields(with_field(good, 5, "-1"), s));
  EXPECT_EQ(s.param[1], 65535);
  ASSERT_TRUE(parse_param_set_fields(with_field(good, 3, "two"), s));
  EXPECT_EQ(s.sensor_mode, 0);  // a sensor mode that is no number counts as 0
  // The last field needs no "|" of its own.
  ASSERT_TRUE(parse_param_set_fields(good.chopped(1), s));

  // Refused, and the set is left as it was.
  const t_param_set before = s;
  for (const QString& bad :
       {with_field(good, 1, "Orv configuration file"), with_field(good, 2, "Format1"), with_field(good, 100, "12a"),
        with_field(good, 1817, ""), with_field(good, 50, "0x10"), with_field(good, 60, "99999999999"),
        good.left(good.lastIndexOf(u'|', -2) + 1), QString(), QString("Orv Configuration file|Fromat1|0|")}) {
    EXPECT_FALSE(parse_param_set_fields(bad, s)) << qPrintable(bad.left(60));
    EXPECT_EQ(s, before);
  }
}

TEST(ParamSetFile, SavedFileLoadsBackAndDamageOrSizeIsRefused) {
  temp_config_home home;
  const QString path = home.path() + "/a.orvcfg";
  const QString text = param_set_text(random_set(11));
  ASSERT_TRUE(write_param_set_file(path, text));
  EXPECT_EQ(file_bytes(path), checked_file_bytes(text));
  QString content;
  ASSERT_EQ(read_param_set_file(path, content), PSET_READ_OK);
  EXPECT_EQ(content, text);

  // One changed byte: the checksum no longer matches and the file reads as none.
  QByteArray bytes = file_bytes(path);
  bytes[40] = bytes[40] == '1' ? '2' : '1';
  QFile f(path);
  ASSERT_TRUE(f.open(QIODevice::WriteOnly));
  f.write(bytes);
  f.close();
  EXPECT_EQ(read_param_set_file(path, content), PSET_READ_NONE);
  EXPECT_TRUE(content.isEmpty());

  EXPECT_EQ(read_param_set_file(home.path() + "/missing.orvcfg", content), PSET_READ_NONE);

  // A valid parameter set followed by 1 MB of padding: refused by its size
  // (a day log picked by mistake), unparsed.
  const QString big_path = home.path() + "/big.orvcfg";
  QFile big(big_path);
  ASSERT_TRUE(big.open(QIODevice::WriteOnly));
  big.write(checked_file_bytes(text + QString(PARAM_SET_MAX_BYTES, u'x')));
  big.close();
  EXPECT_EQ(read_param_set_file(big_path, content), PSET_READ_TOO_BIG);
  // Exactly at the limit is still read.
  ASSERT_TRUE(big.open(QIODevice::WriteOnly));
  QByteArray at_limit = checked_file_bytes(text);
  const QByteArray pad = checked_file_bytes(text + QString(PARAM_SET_MAX_BYTES - at_limit.size(), u'x'));
  big.write(pad.left(PARAM_SET_MAX_BYTES));
  big.close();
  EXPECT_EQ(QFileInfo(big_path).size(), PARAM_SET_MAX_BYTES);
  EXPECT_NE(read_param_set_file(big_path, content), PSET_READ_TOO_BIG);
}

TEST(ParamSetFile, AFailedSaveLeavesTheOldFileWhole) {
  temp_config_home home;
  const QString path = home.path() + "/keep.orvcfg";
  const QString old_text = param_set_text(random_set(1));
  ASSERT_TRUE(write_param_set_file(path, old_text));
  const QByteArray old_bytes = file_bytes(path);

  // Writes beyond 4 KB fail (as on a full disk); the new content is ~10 KB.
  QStringList reported;
  set_io_error_reporter([&](const QString& m) { reported << m; });
  const auto old_handler = std::signal(SIGXFSZ, SIG_IGN);
  rlimit old_limit{};
  getrlimit(RLIMIT_FSIZE, &old_limit);
  rlimit small = old_limit;
  small.rlim_cur = 4096;
  ASSERT_EQ(setrlimit(RLIMIT_FSIZE, &small), 0);
  const bool saved = write_param_set_file(path, param_set_text(random_set(2)));
  setrlimit(RLIMIT_FSIZE, &old_limit);
  std::signal(SIGXFSZ, old_handler);
  set_io_error_reporter({});

  EXPECT_FALSE(saved);
  EXPECT_EQ(reported.size(), 1);
  EXPECT_EQ(file_bytes(path), old_bytes);
  EXPECT_EQ(QDir(home.path()).entryList(QDir::Files), QStringList{"keep.orvcfg"});  // no temporary left
}

TEST(ParamSetLoad, OffLineTakesAnyFileAndCountsAsUnchanged) {
  reset_all_records();
  m_stat.dev_selected = -1;
  m_stat.ed_prod_id = 5;
  const t_param_set s = random_set(21);
  ASSERT_EQ(parse_param_set(param_set_text(s)), PSET_LOADED);
  EXPECT_TRUE(m_stat.off_line_vaild.load());
  EXPECT_EQ(m_stat.sensor_mode.load(), 1);
  EXPECT_EQ(m_stat.ed_prod_id.load(), 0);
  EXPECT_EQ(edit_param_set(-1), s);
  EXPECT_FALSE(cfg_changed(-1));
  for (int k = 0; k < PARAM_REGS; ++k) ASSERT_EQ(m_stat.read_param.get(k), s.param[k]);
  for (int k = 0; k < PROD_REGS; ++k) ASSERT_EQ(m_stat.read_prod.get(k), s.prod[k]);
  // Saved back, it is the same text.
  EXPECT_EQ(param_set_text(), param_set_text(s));

  // A bad file changes nothing.
  EXPECT_EQ(parse_param_set(with_field(param_set_text(random_set(22)), 900, "?")), PSET_INVALID);
  EXPECT_EQ(edit_param_set(-1), s);
}

TEST(ParamSetLoad, ADeviceTakesOnlyAFileOfItsSensorMode) {
  reset_all_records();
  m_stat.dev_selected = 3;
  auto& dev = m_stat.dev_stat[3];
  dev.sensor_mode = 0;
  fill_device(3, 100);
  const t_param_set before = edit_param_set(3);
  const t_param_set mode1 = random_set(5);  // sensor mode 1

  EXPECT_EQ(parse_param_set(param_set_text(mode1)), PSET_MODE_MISMATCH);
  EXPECT_EQ(edit_param_set(3), before);
  EXPECT_FALSE(dev.param_read.load());
  EXPECT_FALSE(m_stat.off_line_vaild.load());

  // The same file loads into the off-line configuration.
  m_stat.dev_selected = -1;
  ASSERT_EQ(parse_param_set(param_set_text(mode1)), PSET_LOADED);
  EXPECT_EQ(m_stat.sensor_mode.load(), 1);

  m_stat.dev_selected = 3;
  dev.sensor_mode = 1;
  ASSERT_EQ(parse_param_set(param_set_text(mode1)), PSET_LOADED);
  EXPECT_TRUE(dev.param_read.load());
  EXPECT_EQ(edit_param_set(3), mode1);
  EXPECT_FALSE(cfg_changed(3));  // loaded, not edited: not offered for writing
}

TEST(ParamSetSave, OnlyTheOffLineConfigurationCountsAsSaved) {
  reset_all_records();
  m_stat.dev_selected = -1;
  m_stat.edit_param.set(10, 3);
  EXPECT_TRUE(cfg_changed(-1));
  param_set_saved();
  EXPECT_FALSE(cfg_changed(-1));

  m_stat.dev_selected = 2;
  m_stat.dev_stat[2].edit_param.set(10, 4);
  param_set_saved();
  EXPECT_TRUE(cfg_changed(2));  // still to be written to the transmitter
}
