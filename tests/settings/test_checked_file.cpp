// The checked text file: byte layout, checksum and the reader's refusals.
#include "settings/checked_file.h"

#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>

namespace {

QByteArray file_bytes(const QString& path) {
  QFile f(path);
  return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

void put_bytes(const QString& path, const QByteArray& b) {
  QFile f(path);
  ASSERT_TRUE(f.open(QIODevice::WriteOnly));
  f.write(b);
}

}  // namespace

TEST(CheckedFile, EmptyTextIsEndMarkAndZero) {
  QTemporaryDir dir;
  const QString p = dir.filePath("empty.cfg");
  EXPECT_FALSE(write_checked_file(p, ""));
  EXPECT_EQ(file_bytes(p), QByteArray("\x1A"
                                      "0"));
  EXPECT_EQ(read_checked_file(p), "");
}

TEST(CheckedFile, AbcIsWrittenWithItsChecksum) {
  QTemporaryDir dir;
  const QString p = dir.filePath("abc.cfg");
  EXPECT_FALSE(write_checked_file(p, "abc"));
  const int sum = (97 ^ 0x2E4F) + (98 ^ 0x2E4F) + (99 ^ 0x2E4F);
  EXPECT_EQ(file_bytes(p), QByteArray("abc\x1A") + QByteArray::number(sum));
  EXPECT_EQ(read_checked_file(p), "abc");
}

TEST(CheckedFile, RoundTripOfEveryByteValueAndLongTexts) {
  QTemporaryDir dir;
  const QString p = dir.filePath("all.cfg");
  QString text;
  for (int c = 1; c < 256; ++c)
    if (c != 0x1A) text += QChar(c);
  text = text.repeated(200);
  EXPECT_FALSE(write_checked_file(p, text));
  EXPECT_EQ(read_checked_file(p), text);
}

TEST(CheckedFile, NegativeChecksumIsWrittenWithSign) {
  // 0x2E4F-ish terms add up past 2^31 after ~180000 characters.
  QString text(200000, QChar(u'z'));
  const QByteArray bytes = checked_file_bytes(text);
  const QByteArray tail = bytes.mid(bytes.indexOf('\x1A') + 1);
  EXPECT_TRUE(tail.startsWith('-'));
  EXPECT_EQ(parse_checked_bytes(bytes), text);
}

TEST(CheckedFile, DamagedFilesReadAsEmpty) {
  QTemporaryDir dir;
  const QString p = dir.filePath("setup.cfg");
  ASSERT_FALSE(write_checked_file(p, "1|2|0|0|1|1|,|;|"));
  QByteArray good = file_bytes(p);

  QByteArray changed = good;
  changed[2] = '7';  // one byte of the text
  put_bytes(p, changed);
  EXPECT_EQ(read_checked_file(p), "");

  put_bytes(p, good.left(good.indexOf('\x1A')));  // no end mark
  EXPECT_EQ(read_checked_file(p), "");

  put_bytes(p, good + " ");  // something after the checksum
  EXPECT_EQ(read_checked_file(p), "");

  put_bytes(p, good.left(good.indexOf('\x1A') + 1));  // end mark but no digits
  EXPECT_EQ(read_checked_file(p), "");

  put_bytes(p, good.left(good.indexOf('\x1A') + 1) + "99999999999999");  // out of range
  EXPECT_EQ(read_checked_file(p), "");

  EXPECT_EQ(read_checked_file(dir.filePath("missing.cfg")), "");
  put_bytes(p, good);
  EXPECT_EQ(read_checked_file(p), "1|2|0|0|1|1|,|;|");
}

TEST(CheckedFile, CharactersAbove255AreStoredAsTheirLowByteAndStillRead) {
  // The checksum covers the bytes actually written, so such a file is not
  // thrown away at the next start.
  QTemporaryDir dir;
  const QString p = dir.filePath("wide.cfg");
  EXPECT_FALSE(write_checked_file(p, QString("A") + QChar(0x0141) + "B"));
  EXPECT_EQ(read_checked_file(p), QString("A") + QChar(0x41) + "B");
}

TEST(CheckedFile, WriteFailureIsReportedAndLeavesTheOldFile) {
  QTemporaryDir dir;
  QStringList reported;
  set_io_error_reporter([&](const QString& m) { reported << m; });
  EXPECT_TRUE(write_checked_file(dir.filePath("no/such/folder/x.cfg"), "x"));
  EXPECT_EQ(reported.size(), 1);
  set_io_error_reporter(nullptr);
}

TEST(NextField, SplitsAtBars) {
  QString t = "a|bc||d";
  EXPECT_EQ(next_field(t), "a");
  EXPECT_EQ(next_field(t), "bc");
  EXPECT_EQ(next_field(t), "");
  EXPECT_EQ(next_field(t), "d");
  EXPECT_EQ(t, "");
  EXPECT_EQ(next_field(t), "");
  QString one = "x|";
  EXPECT_EQ(next_field(one), "x");
  EXPECT_TRUE(one.isEmpty());
}
