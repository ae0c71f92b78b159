// Language packs end to end: real files in a temporary folder, written by the
// program's own writers (or by hand for damaged files) and loaded back.

#include "texts/lng_pack.h"
#include "qstring_print.h"

#include <QByteArray>
#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#ifdef Q_OS_UNIX
#include <sys/stat.h>
#endif

namespace {

// UTF-16 LE bytes of a text, optionally with byte-order mark.
QByteArray utf16le(const QString& text, bool bom = true) {
  QByteArray b;
  if (bom) b.append("\xFF\xFE", 2);
  for (QChar c : text) {
    b.append(static_cast<char>(c.unicode() & 0xFF));
    b.append(static_cast<char>(c.unicode() >> 8));
  }
  return b;
}

void write_bytes(const QString& path, const QByteArray& bytes) {
  QFile f(path);
  ASSERT_TRUE(f.open(QIODevice::WriteOnly));
  ASSERT_EQ(f.write(bytes), bytes.size());
}

QByteArray read_bytes(const QString& path) {
  QFile f(path);
  if (!f.open(QIODevice::ReadOnly)) return {};
  return f.readAll();
}

// The lines of a valid pack: every text marked with its row, plus checksum.
QStringList pack_lines(const QString& tag) {
  QStringList lines;
  for (int r = 0; r < TXT_ROW_CNT; ++r) lines.append(tag + QString::number(r));
  lines.append(lng_checksum_text(lng_checksum(lines)));
  return lines;
}

t_text_set tagged_texts(const QString& tag) {
  t_text_set t;
  for (int r = 0; r < TXT_ROW_CNT; ++r) t[r] = tag + QString::number(r);
  return t;
}

class LngPack : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(dir.isValid());
    init_texts();
  }
  void TearDown() override { init_texts(); }

  QString path(const QString& name) const { return dir.filePath(name); }

  // Writes a valid pack whose texts are tag + row number.
  void make_pack(const QString& name, const QString& tag) {
    QString err;
    ASSERT_TRUE(write_lng_pack(path(name), tagged_texts(tag), &err)) << err.toStdString();
  }

  QTemporaryDir dir;
  QString log;
};

}  // namespace

// ---- checksum --------------------------------------------------------------------

TEST(LngChecksum, WeightsByLineAndPosition) {
  EXPECT_EQ(lng_checksum({}), 0u);
  // Line 0 adds its codes unchanged.
  EXPECT_EQ(lng_checksum({"AB"}), 65u + 66u);
  // Line 1: 'A' ^ (1*1) = 64, 'B' ^ (1*2) = 64.
  EXPECT_EQ(lng_checksum({"", "AB"}), 128u);
  // Line 2: 'A' ^ 2 = 67, 'B' ^ 4 = 70.
  EXPECT_EQ(lng_checksum({"", "", "AB"}), 137u);
  // Only the first 695 lines count (the checksum line itself does not).
  QStringList lines(TXT_ROW_CNT, QString());
  lines.append(QStringLiteral("ZZZZ"));
  EXPECT_EQ(lng_checksum(lines), 0u);
  // Eight upper-case digits, two's complement.
  EXPECT_EQ(lng_checksum_text(0xABCu), QStringLiteral("00000ABC"));
  EXPECT_EQ(lng_checksum_text(0xFFFFFFFEu), QStringLiteral("FFFFFFFE"));
}

TEST(LngChecksum, DefaultTextsHaveAFixedSum) {
  // Any change to a default text changes this sum; packs made from the
  // shipped table line up with it.
  const t_text_set d = default_texts();
  EXPECT_EQ(lng_checksum_text(lng_checksum(QStringList(d.begin(), d.end()))), QStringLiteral("05D31C60"));
}

// ---- line splitting and decoding --------------------------------------------------

TEST(LngLines, SplitsAtEveryLineEnd) {
  EXPECT_EQ(split_lng_lines(u"a\r\nb\r\n"), (QStringList{"a", "b"}));
  EXPECT_EQ(split_lng_lines(u"a\r\nb"), (QStringList{"a", "b"}));
  EXPECT_EQ(split_lng_lines(u"a\r\n\r\nb\r\n"), (QStringList{"a", "", "b"}));
  EXPECT_EQ(split_lng_lines(u"a\nb\rc\r\n"), (QStringList{"a", "b", "c"}));
  EXPECT_EQ(split_lng_lines(u"\r\n"), (QStringList{""}));
  EXPECT_TRUE(split_lng_lines(u"").isEmpty());
}

// ---- writing and loading ----------------------------------------------------------

TEST_F(LngPack, BasicFileIsTheTemplateOfTheCurrentTexts) {
  QString err;
  ASSERT_TRUE(write_basic_lng(dir.path(), &err)) << err.toStdString();
  const QByteArray bytes = read_bytes(path("OrvCon_basic_lng.txt"));
  ASSERT_TRUE(bytes.startsWith("\xFF\xFE"));
  ASSERT_TRUE(bytes.endsWith(QByteArray("0\0\r\0\n\0", 6)));
  QString text;
  ASSERT_TRUE(decode_lng_bytes(bytes, text));
  EXPECT_EQ(text.count(QStringLiteral("\r\n")), LNG_PACK_LINES);
  const QStringList lines = split_lng_lines(text);
  ASSERT_EQ(lines.size(), LNG_PACK_LINES);
  EXPECT_EQ(lines.last(), QStringLiteral("00000000"));
  for (int r = 0; r < TXT_ROW_CNT; ++r) EXPECT_EQ(lines[r], cur_texts[r]) << "row " << r;

  // The placeholder checksum is refused...
  EXPECT_FALSE(load_lng_pack(path("OrvCon_basic_lng.txt"), log));
  EXPECT_EQ(log, QStringLiteral("Language file read failed! Check sum bad!\r\n"));

  // ...and a translator who edits texts and fills in the sum gets a pack.
  QStringList edited = lines;
  edited[621] = QStringLiteral("Programm beenden?");
  edited[0] = QStringLiteral("OrvKonfig");
  edited.last() = lng_checksum_text(lng_checksum(edited));
  ASSERT_TRUE(write_lng_lines(path("Deutsch_lng.lngpack"), edited, &err)) << err.toStdString();
  log.clear();
  ASSERT_TRUE(load_lng_pack(path("Deutsch_lng.lngpack"), log));
  EXPECT_TRUE(log.isEmpty());
  EXPECT_EQ(msg_text(50), QStringLiteral("Programm beenden?"));
  EXPECT_EQ(app_title(), QStringLiteral("OrvKonfig 4.0"));
  EXPECT_EQ(ctrl_text(u"cmd_ok", TXT_REQ_CAPTION, FORM_DEV_SETUP), QStringLiteral("OK"));
}

TEST_F(LngPack, WrittenPackLoadsBackExactly) {
  t_text_set texts = tagged_texts(QStringLiteral("\u00dcbersetzung "));
  texts[5] = QString();                                          // empty lines stay empty
  texts[6] = QStringLiteral("a|b|c|d");                          // bars travel unchanged
  texts[7] = QString::fromUtf16(u"\U0001F600 \u2026 \\ \"q\"");  // surrogate pair, backslash, quotes
  ASSERT_TRUE(write_lng_pack(path("X.lngpack"), texts));
  ASSERT_TRUE(load_lng_pack(path("X.lngpack"), log)) << log.toStdString();
  EXPECT_EQ(cur_texts, texts);
}

TEST_F(LngPack, WriterReplacesOlderFilesAndRefusesLineBreaks) {
  write_bytes(path("A.lngpack"), QByteArray(100000, 'x'));
  ASSERT_TRUE(write_lng_pack(path("A.lngpack"), tagged_texts("a")));
  EXPECT_TRUE(load_lng_pack(path("A.lngpack"), log));
  t_text_set texts = default_texts();
  texts[10] = QStringLiteral("two\nlines");  // would shift every later line
  QString err;
  EXPECT_FALSE(write_lng_pack(path("A.lngpack"), texts, &err));
  EXPECT_FALSE(err.isEmpty());
  EXPECT_TRUE(load_lng_pack(path("A.lngpack"), log));                            // the older pack is untouched
  EXPECT_EQ(QDir(dir.path()).entryList(QDir::Files), QStringList{"A.lngpack"});  // no temporary left
}

TEST_F(LngPack, DamagedPacksAreRefusedAndTextsStay) {
  const t_text_set before = cur_texts;
  QStringList lines = pack_lines("t");
  auto file_of = [](const QStringList& l) { return utf16le(l.join(QStringLiteral("\r\n")) + "\r\n"); };
  auto even = [](QByteArray b) { return b.size() % 2 ? b + ' ' : b; };

  struct bad {
    const char* what;
    QByteArray bytes;
    QString log_line;
  };
  QStringList short_lines = lines;
  short_lines.removeAt(3);  // 695 lines
  QStringList long_lines = lines;
  long_lines.insert(3, "extra");  // 697 lines
  QStringList lower = lines;
  lower.last() = lower.last().toLower();
  QStringList wrong_sum = lines;
  wrong_sum[100] += QLatin1Char('!');
  QStringList blank_at_end = lines;
  blank_at_end.append(QString());

  const QString count = QStringLiteral("Language file read failed! Captions count mismatch!\r\n");
  const QString sum = QStringLiteral("Language file read failed! Check sum bad!\r\n");
  const QString not16 = QStringLiteral("Language file is not UTF-16 text. Language file read failed!\r\n");
  ASSERT_NE(lower.last(), lines.last()) << "the sum should hold letters for this case";
  const bad cases[] = {
      {"695 lines", file_of(short_lines), count},
      {"697 lines", file_of(long_lines), count},
      {"empty line after the checksum", file_of(blank_at_end), count},
      {"lower-case checksum", file_of(lower), sum},
      {"text changed after summing", file_of(wrong_sum), sum},
      {"empty file", QByteArray(), count},
      {"only a byte-order mark", QByteArray("\xFF\xFE", 2), count},
      {"truncated in a character", file_of(lines).chopped(1), not16},
      {"truncated in a line", file_of(lines).left(5000), count},
      {"UTF-8 text", even(lines.join("\r\n").toUtf8()), count},
      {"UTF-8 with mark", "\xEF\xBB\xBF" + (lines.join("\r\n") + "\r\n").toUtf8() + "x", not16},
  };
  for (const bad& c : cases) {
    SCOPED_TRACE(c.what);
    write_bytes(path("bad.lngpack"), c.bytes);
    log.clear();
    EXPECT_FALSE(load_lng_pack(path("bad.lngpack"), log));
    EXPECT_EQ(log, c.log_line);
    EXPECT_EQ(cur_texts, before);
  }
  // The same lines, undamaged, do load (so the cases above fail for their damage).
  write_bytes(path("good.lngpack"), file_of(lines));
  EXPECT_TRUE(load_lng_pack(path("good.lngpack"), log));
  EXPECT_EQ(cur_texts[694], QStringLiteral("t694"));
}

TEST_F(LngPack, TolerableVariantsLoad) {
  const QStringList lines = pack_lines("n");
  write_bytes(path("a.lngpack"), utf16le(lines.join("\r\n"), false));
  EXPECT_TRUE(load_lng_pack(path("a.lngpack"), log)) << log.toStdString();
  init_texts();
  write_bytes(path("b.lngpack"), utf16le(lines.join("\n") + "\n"));
  EXPECT_TRUE(load_lng_pack(path("b.lngpack"), log)) << log.toStdString();
  EXPECT_EQ(cur_texts[1], QStringLiteral("n1"));
  init_texts();
  QByteArray be = utf16le(lines.join("\r\n"), false);
  for (qsizetype k = 0; k + 1 < be.size(); k += 2) std::swap(be[k], be[k + 1]);
  write_bytes(path("c.lngpack"), "\xFE\xFF" + be);  // big-endian with its mark
  EXPECT_TRUE(load_lng_pack(path("c.lngpack"), log)) << log.toStdString();
  EXPECT_EQ(cur_texts[2], QStringLiteral("n2"));
}

TEST_F(LngPack, MissingOversizedAndUnreadableFiles) {
  EXPECT_FALSE(load_lng_pack(path("none.lngpack"), log));
  EXPECT_TRUE(log.endsWith(QStringLiteral(". Language file read failed!\r\n"))) << log.toStdString();
  EXPECT_GT(log.size(), QStringLiteral(". Language file read failed!\r\n").size());  // carries the cause

  log.clear();
  QByteArray big = utf16le(pack_lines("b").join("\r\n") + "\r\n");
  big.append(QByteArray(LNG_PACK_MAX_BYTES, ' '));
  write_bytes(path("big.lngpack"), big);
  EXPECT_FALSE(load_lng_pack(path("big.lngpack"), log));
  EXPECT_EQ(log, QStringLiteral("Language file too large. Language file read failed!\r\n"));
  EXPECT_EQ(cur_texts, default_texts());

  log.clear();
  ASSERT_TRUE(QDir(dir.path()).mkdir("folder.lngpack"));
  EXPECT_FALSE(load_lng_pack(path("folder.lngpack"), log));
  EXPECT_EQ(log, QStringLiteral("Not a plain file. Language file read failed!\r\n"));
#ifdef Q_OS_UNIX
  // A pipe named like a pack is neither listed nor read (reading would block).
  ASSERT_EQ(::mkfifo(QFile::encodeName(path("pipe.lngpack")).constData(), 0600), 0);
  EXPECT_TRUE(find_lng_files(dir.path()).filter("pipe").isEmpty());
  EXPECT_FALSE(load_lng_pack(path("pipe.lngpack"), log));
#endif
}

// ---- discovery and the language list ----------------------------------------------

TEST(LngNames, NameRule) {
  EXPECT_EQ(lng_name_of_file("Deutsch_lng.lngpack"), QStringLiteral("Deutsch"));
  EXPECT_EQ(lng_name_of_file("English.lngpack"), QStringLiteral("English"));
  EXPECT_EQ(lng_name_of_file("Englisch_v2.lngpack"), QStringLiteral("Englisch"));
  EXPECT_EQ(lng_name_of_file("pt.br_x.lngpack"), QStringLiteral("pt.br"));  // "_" first
  EXPECT_EQ(lng_name_of_file("en.us.lngpack"), QStringLiteral("en"));
}

TEST_F(LngPack, DiscoveryIsSortedAndLimitedToFive) {
  for (const char* n : {"Svenska.lngpack", "deutsch_lng.lngpack", "English.lngpack", "Francais_v1.lngpack",
                        "Italiano.lngpack", "Polski.lngpack"})
    make_pack(n, n);
  write_bytes(path("readme.txt"), "x");
  write_bytes(path("Old.lngpack.bak"), "x");
  ASSERT_TRUE(QDir(dir.path()).mkdir("Sub.lngpack"));

  EXPECT_EQ(find_lng_files(dir.path()), (QStringList{"deutsch_lng.lngpack", "English.lngpack", "Francais_v1.lngpack",
                                                     "Italiano.lngpack", "Polski.lngpack", "Svenska.lngpack"}));
  t_lng_config cfg;
  cfg.curr_lng = "English";
  EXPECT_EQ(find_lng_packs(cfg, dir.path(), log), 5);
  EXPECT_TRUE(log.isEmpty());
  EXPECT_EQ(cfg.lng_cnt, 5);
  const char* names[] = {"deutsch", "English", "Francais", "Italiano", "Polski"};
  for (int i = 0; i < 5; ++i) EXPECT_EQ(cfg.lng_name[i], QString::fromLatin1(names[i]));
  EXPECT_EQ(cfg.lng_file[2], QStringLiteral("Francais_v1.lngpack"));
  EXPECT_TRUE(cfg.lng_name[5].isEmpty());
  EXPECT_EQ(cfg.curr_lng, QStringLiteral("English"));  // kept for the setup file
}

TEST_F(LngPack, DiscoveryOfAnEmptyFolderLogsOnce) {
  t_lng_config cfg;
  cfg.lng_cnt = 3;
  cfg.lng_name[0] = "stale";
  EXPECT_EQ(find_lng_packs(cfg, dir.path(), log), 0);
  EXPECT_EQ(cfg.lng_cnt, 0);
  EXPECT_TRUE(cfg.lng_name[0].isEmpty());
  EXPECT_EQ(log, QStringLiteral("language pack file not found\r\n"));
}

TEST(LngList, RemoveLanguageShiftsAndStaysInRange) {
  t_lng_config cfg;
  cfg.lng_cnt = 5;
  for (int i = 0; i < 5; ++i) {
    cfg.lng_name[i] = QString::number(i);
    cfg.lng_file[i] = QString::number(i) + ".lngpack";
  }
  remove_language(cfg, 1);
  EXPECT_EQ(cfg.lng_cnt, 4);
  EXPECT_EQ(cfg.lng_name[1], QStringLiteral("2"));
  EXPECT_EQ(cfg.lng_file[3], QStringLiteral("4.lngpack"));
  EXPECT_TRUE(cfg.lng_name[4].isEmpty());
  remove_language(cfg, 3);  // the last one
  EXPECT_EQ(cfg.lng_cnt, 3);
  EXPECT_EQ(cfg.lng_name[2], QStringLiteral("3"));
  // Indexes outside the list change nothing.
  remove_language(cfg, 3);
  remove_language(cfg, -1);
  remove_language(cfg, 5);
  EXPECT_EQ(cfg.lng_cnt, 3);
  for (int k = 0; k < 5; ++k) remove_language(cfg, 0);
  EXPECT_EQ(cfg.lng_cnt, 0);
}

TEST_F(LngPack, SelectAndMenuChoice) {
  make_pack("Deutsch_lng.lngpack", "de");
  write_bytes(path("English.lngpack"), utf16le("broken"));
  make_pack("Svenska.lngpack", "sv");
  t_lng_config cfg;
  ASSERT_EQ(find_lng_packs(cfg, dir.path(), log), 3);
  EXPECT_FALSE(select_language(cfg, "Klingon", dir.path(), log));
  EXPECT_TRUE(select_language(cfg, "Svenska", dir.path(), log));
  EXPECT_EQ(cfg.curr_lng, QStringLiteral("Svenska"));
  EXPECT_EQ(cur_texts[0], QStringLiteral("sv0"));

  // The menu reports a broken pack but keeps it listed...
  EXPECT_FALSE(choose_language(cfg, 1, dir.path(), log));
  EXPECT_EQ(cfg.lng_cnt, 3);
  EXPECT_FALSE(choose_language(cfg, 3, dir.path(), log));
  // ...selecting by name drops it.
  EXPECT_FALSE(select_language(cfg, "English", dir.path(), log));
  EXPECT_EQ(cfg.lng_cnt, 2);
  EXPECT_EQ(cfg.lng_name[1], QStringLiteral("Svenska"));
  EXPECT_EQ(cfg.curr_lng, QStringLiteral("Svenska"));
  EXPECT_EQ(cur_texts[0], QStringLiteral("sv0"));

  EXPECT_TRUE(choose_language(cfg, 0, dir.path(), log));
  EXPECT_EQ(cfg.curr_lng, QStringLiteral("Deutsch"));
  EXPECT_EQ(cur_texts[3], QStringLiteral("de3"));
}

TEST_F(LngPack, StartUpSkipsBrokenPacksAndRestoresTheSavedLanguage) {
  write_bytes(path("Aaa.lngpack"), utf16le("broken"));
  make_pack("Deutsch_lng.lngpack", "de");
  make_pack("Englisch.lngpack", "en");
  make_pack("Svenska.lngpack", "sv");
  t_lng_config cfg;
  find_lng_packs(cfg, dir.path(), log);
  ASSERT_TRUE(load_first_lng_pack(cfg, dir.path(), log));
  EXPECT_EQ(cfg.lng_cnt, 3);
  EXPECT_EQ(cur_texts[0], QStringLiteral("de0"));

  cfg.curr_lng = "Svenska";  // from the setup file
  restore_language(cfg, dir.path(), log);
  EXPECT_EQ(cur_texts[0], QStringLiteral("sv0"));
  cfg.curr_lng = "Gone";  // no longer there: "Englisch" is next
  restore_language(cfg, dir.path(), log);
  EXPECT_EQ(cfg.curr_lng, QStringLiteral("Englisch"));
  EXPECT_EQ(cur_texts[0], QStringLiteral("en0"));

  // Neither there: the first pack's name, its texts not loaded again.
  ASSERT_TRUE(QFile::remove(path("Englisch.lngpack")));
  cfg.curr_lng = "Gone";
  restore_language(cfg, dir.path(), log);
  EXPECT_EQ(cfg.lng_cnt, 2);
  EXPECT_EQ(cfg.curr_lng, QStringLiteral("Deutsch"));
  EXPECT_EQ(cur_texts[0], QStringLiteral("en0"));
}

TEST_F(LngPack, StartUpWithOnlyBrokenPacksKeepsDefaults) {
  write_bytes(path("A.lngpack"), utf16le("x"));
  write_bytes(path("B.lngpack"), QByteArray("\x01", 1));
  t_lng_config cfg;
  find_lng_packs(cfg, dir.path(), log);
  EXPECT_FALSE(load_first_lng_pack(cfg, dir.path(), log));
  EXPECT_EQ(cfg.lng_cnt, 0);
  EXPECT_EQ(log.count(QStringLiteral("\r\n")), 2);
  EXPECT_EQ(cur_texts, default_texts());
  restore_language(cfg, dir.path(), log);  // nothing to choose from
  EXPECT_EQ(cur_texts, default_texts());
}
