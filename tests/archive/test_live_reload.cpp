// Reading today's log files back into the rings, and the service going on
// with the same ring and the same file after a restart.
#include "archive/live_reload.h"
#include "archive/log_file.h"
#include "comm/service_rig.h"
#include "core/common_data.h"
#include "core/day_clock.h"
#include "support/log_reload_reference.h"
#include "support/test_env.h"

#include <QBuffer>
#include <QDir>
#include <QFile>

#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <random>

namespace {

class LiveReload : public ::testing::Test {
 protected:
  void SetUp() override {
    reset_all_records();
    dir = home.path();
  }
  QString write(const QByteArray& bytes, const QString& name = "day.orvlog") {
    const QString p = dir + "/" + name;
    QFile f(p);
    EXPECT_TRUE(f.open(QIODevice::WriteOnly));
    f.write(bytes);
    return p;
  }
  temp_config_home home;
  QString dir;
};

const QByteArray kLine1 = "0B4A00FA000A82A741C800002\r\n";  // slot 46240, 25.0 C
const QByteArray kLine2 = "0B4A1F83000A82A841C900002\r\n";  // slot 46241, -12.5 C

}  // namespace

TEST_F(LiveReload, GoodFileFillsTheRing) {
  auto& s = m_stat.dev_stat[1];
  // Lower-case digits, an empty line, and a last line without CR LF.
  const QString p = write(kLine1 + "\r\n" + kLine2.toLower().left(25));
  EXPECT_EQ(reload_log_file(p, 1), LOAD_OK);
  EXPECT_EQ(s.smp_raw[46240].load(), 0x000A82A7u);
  EXPECT_EQ(s.smp_cal[46240].load(), 25.0f);
  EXPECT_EQ(s.smp_temp[46240].load(), 0xFA);
  EXPECT_EQ(static_cast<int16_t>(s.smp_temp[46241].load()), -125);
  EXPECT_EQ(s.last_arch_idx.load(), 46241);
  EXPECT_EQ(s.unit_idx.load(), 2);
  EXPECT_EQ(s.smp_raw[46242].load(), 0x000FFFFFu);
  EXPECT_TRUE(std::isnan(s.smp_cal[0].load()));
}

TEST_F(LiveReload, EmptyFileAndRepeatedSlots) {
  EXPECT_EQ(reload_log_file(write(""), 0), LOAD_OK);
  EXPECT_EQ(m_stat.dev_stat[0].last_arch_idx.load(), 0);  // untouched: nothing was read
  const QString p = write(kLine1 + "0B4A00FA000000013F8000003\r\n");
  EXPECT_EQ(reload_log_file(p, 0), LOAD_OK);
  EXPECT_EQ(m_stat.dev_stat[0].smp_raw[46240].load(), 1u);  // the later line wins
  EXPECT_EQ(m_stat.dev_stat[0].unit_idx.load(), -1);        // units disagree
}

TEST_F(LiveReload, DamagedFilesGiveTheirCodesAndStop) {
  struct {
    QByteArray line;
    int code;
  } cases[] = {
      {"0B4A00FA000A82A741C8000020\r\n", LOAD_BAD_LENGTH},  // 26 characters
      {"0B4A00FA00\r\n", LOAD_BAD_LENGTH},                  // short
      {"0B4G00FA000A82A741C800002\r\n", LOAD_BAD_SLOT},
      {"0B4A00ZA000A82A741C800002\r\n", LOAD_BAD_VALUE},
      {"0B4A00FA000A8 A741C800002\r\n", LOAD_BAD_RAW},
      {"0B4A00FA000A82A741C8000X2\r\n", LOAD_BAD_CAL},
      {"697810FA000A82A741C800002\r\n", LOAD_BAD_INDEX},
  };
  for (const auto& c : cases) {
    const QString p = write(kLine1 + c.line + kLine2);
    EXPECT_EQ(reload_log_file(p, 2), c.code) << c.line.constData();
    EXPECT_EQ(m_stat.dev_stat[2].smp_raw[46241].load(), 0x000FFFFFu) << "stopped after the bad line";
  }
  // The highest slot a file may name loads.
  EXPECT_EQ(reload_log_file(write("6977F0FA000A82A741C800002\r\n"), 2), LOAD_OK);
  EXPECT_EQ(m_stat.dev_stat[2].smp_raw[432000 - 1].load(), 0x000A82A7u);
  // A huge binary line is refused without reading it whole.
  EXPECT_EQ(reload_log_file(write(kLine1 + QByteArray(5'000'000, '\x01')), 2), LOAD_BAD_LENGTH);
  // Missing or unreadable.
  QString error;
  EXPECT_EQ(reload_log_file(dir + "/missing.orvlog", 2, &error), LOAD_READ_FAILED);
  EXPECT_FALSE(error.isEmpty());
  QDir().mkpath(dir + "/folder.orvlog");
  EXPECT_EQ(reload_log_file(dir + "/folder.orvlog", 2), LOAD_READ_FAILED);
}

TEST_F(LiveReload, StartUpRestoresActiveDevicesOnly) {
  manual_day_clock clock(RIG_DATE, 12 * 3600 * 1000);
  set_wall_clock(&clock);
  for (int d : {0, 1, 2, 3}) {
    auto& c = common_setup.dev_conn[d];
    c.active = d != 1;
    c.log_dir.set(dir);
    c.tag.set(QString("Dev%1").arg(d));
    write(kLine1, QString("Dev%1_20240307.orvlog").arg(d));
  }
  write(kLine1 + "garbage\r\n", "Dev2_20240307.orvlog");
  QFile::remove(dir + "/Dev3_20240307.orvlog");
  ASSERT_TRUE(QDir().mkpath(dir + "/Dev3_20240307.orvlog"));  // a folder where the file should be
  const auto results = reload_live_logs();
  set_wall_clock(nullptr);
  EXPECT_EQ(m_stat.dev_stat[0].smp_raw[46240].load(), 0x000A82A7u);
  EXPECT_EQ(m_stat.dev_stat[0].last_arch_idx.load(), 46240);
  EXPECT_EQ(m_stat.dev_stat[1].smp_raw[46240].load(), 0x000FFFFFu);  // not active
  EXPECT_EQ(m_stat.dev_stat[2].smp_raw[46240].load(), 0x000FFFFFu);  // damaged: cleared
  EXPECT_EQ(m_stat.dev_stat[3].smp_raw[46240].load(), 0x000FFFFFu);
  EXPECT_EQ(results[0].code, LOAD_OK);
  EXPECT_EQ(results[1].code, LOAD_OK);
  EXPECT_EQ(results[2].code, LOAD_BAD_LENGTH);
  EXPECT_EQ(results[3].code, LOAD_READ_FAILED);
  EXPECT_FALSE(results[3].error.isEmpty());
  for (int d = 0; d < MAX_DEVICES; ++d) {
    EXPECT_TRUE(m_stat.dev_stat[d].smp_cleared.load());
    EXPECT_EQ(m_stat.dev_stat[d].last_saved_idx.load(), -1);
    EXPECT_EQ(static_cast<int>(m_stat.dev_stat[d].last_date.load()), RIG_DATE);
  }
}

TEST(Restart, TheServiceGoesOnWithTheSameRingAndFile) {
  service_rig rig;
  rig.add_device(0);
  const int start = 10 * 3600 * 5;
  rig.poll(0);
  for (int k = 1; k <= 40; ++k) {
    rig.clock.set_slot(start + k);
    rig.produce(1);
    rig.poll(0);
  }
  rig.svc->shutdown_step();  // the program ends: everything flushed
  const QString file = "Dryer_20240307.orvlog";
  ASSERT_EQ(rig.log_bytes(file).size(), 70 * 27);

  // Restart a minute later: the rings are empty until today's file is read back.
  for (auto& d : m_stat.dev_stat) clear_smp_ring(d);
  set_wall_clock(&rig.clock);
  rig.clock.set_slot(start + 40 + 300);
  reload_live_logs();
  set_wall_clock(nullptr);
  auto& s = m_stat.dev_stat[0];
  EXPECT_EQ(s.last_arch_idx.load(), start + 40);
  EXPECT_EQ(s.smp_raw[start - 29].load(), rig_raw(971));
  rig.produce(300);
  rig.poll(0);
  // The reloaded samples stay; the new ones follow after the pause.
  EXPECT_EQ(s.smp_raw[start - 29].load(), rig_raw(971));
  EXPECT_EQ(s.smp_raw[start + 340].load(), rig_raw(1340));
  EXPECT_EQ(s.smp_raw[start + 200].load(), 0x000FFFFFu);
  rig.svc->shutdown_step();
  const QByteArray log = rig.log_bytes(file);
  ASSERT_EQ(log.size(), (70 + 30) * 27);
  EXPECT_EQ(log.mid(70 * 27, 5).toInt(nullptr, 16), start + 311);
}

TEST(Restart, QuickRestartsWriteNoSlotTwiceAndLeaveNoHole) {
  // Three runs of 30 s, each 5 s after the end of the one before, on one
  // day. Every start reads today's file back first, as the program does.
  service_rig rig;
  rig.add_device(0);
  const int first = 10 * 3600 * 5;
  int slot = first;
  rig.clock.set_slot(slot);
  for (int run = 0; run < 3; ++run) {
    if (run > 0) {
      slot += 25;
      rig.produce(25);
      rig.clock.set_slot(slot);
      for (auto& d : m_stat.dev_stat) clear_smp_ring(d);
      set_wall_clock(&rig.clock);
      reload_live_logs();
      set_wall_clock(nullptr);
      rig.svc = std::make_unique<com_service>(rig.terminated, &rig.link, &rig.clock);
    }
    rig.poll(0);  // the first poll stores the 30 newest samples
    for (int k = 0; k < 150; ++k) {
      rig.clock.set_slot(++slot);
      rig.produce(1);
      rig.poll(0);
    }
    rig.svc->shutdown_step();
  }
  const QByteArray log = rig.log_bytes("Dryer_20240307.orvlog");
  ASSERT_EQ(log.size() % 27, 0);
  const int lines = static_cast<int>(log.size() / 27);
  // Strictly rising, one line per slot from the first stored slot to the last.
  ASSERT_EQ(lines, slot - (first - 29) + 1);
  for (int k = 0; k < lines; ++k) {
    const QByteArray line = log.mid(k * 27, 27);
    const int s = line.left(5).toInt(nullptr, 16);
    ASSERT_EQ(s, first - 29 + k) << "line " << k;
    // Each slot holds the sample the device took at that time.
    ASSERT_EQ(line.mid(8, 8).toUInt(nullptr, 16), rig_raw(1000 + s - first)) << "line " << k;
  }
}

TEST_F(LiveReload, AHugeFileOfEmptyLinesIsRefusedAtTheLongestDay) {
  // More lines than a 25-hour day has slots: damaged, and not read to its end.
  const QString p = write(kLine1 + QByteArray(LOG_MAX_LINES + 10, '\n') + kLine2);
  EXPECT_EQ(reload_log_file(p, 0), LOAD_BAD_LENGTH);
  EXPECT_EQ(m_stat.dev_stat[0].smp_raw[46241].load(), 0x000FFFFFu);
  // A file of exactly that many lines still loads.
  const QString q = write(QByteArray(LOG_MAX_LINES - 1, '\n') + kLine2);
  EXPECT_EQ(reload_log_file(q, 0), LOAD_OK);
  EXPECT_EQ(m_stat.dev_stat[0].last_arch_idx.load(), 46241);
}

namespace {

// Log files as the service writes them, and damaged in every way a line can
// be: characters changed, lost or added, lines merged, cut or overlong,
// empty lines, slots beyond the day or out of order, the file cut short.
class log_maker {
 public:
  explicit log_maker(uint32_t seed) : rng_(seed) {}

  QByteArray file(int lines, bool damaged = true) {
    QByteArray out;
    int slot = pick(0, SLOTS_PER_DAY - lines - 1);
    const bool lower = pick(0, 5) == 0;
    for (int k = 0; k < lines; ++k) {
      out += lower ? line(slot).toLower() : line(slot);
      out += pick(0, 9) == 0 ? "\n" : "\r\n";
      slot += pick(0, 20) == 0 ? -pick(1, 50) : 1;
    }
    const int damages = !damaged || pick(0, 8) == 0 ? 0 : pick(1, 3);
    for (int d = 0; d < damages && !out.isEmpty(); ++d) damage(out);
    return out;
  }

 private:
  int pick(int lo, int hi) { return std::uniform_int_distribution<int>(lo, hi)(rng_); }
  uint32_t word() { return static_cast<uint32_t>(rng_()); }
  QByteArray line(int slot) {
    return hex(slot, 5) + hex(pick(0, 0xFFF), 3) + hex(word(), 8) + hex(word(), 8) + hex(pick(0, 2), 1);
  }
  static QByteArray hex(uint32_t v, int w) {
    return QByteArray::number(v, 16).toUpper().rightJustified(w, '0').right(w);
  }
  char odd_char() {
    static const char kOdd[] = {'G', ' ', '\0', '\r', '\n', 'x', '-', 'f', '9', '\t', '\x7f', '\x80', '\xff', ':'};
    return pick(0, 3) == 0 ? static_cast<char>(pick(0, 255)) : kOdd[pick(0, sizeof kOdd - 1)];
  }
  void damage(QByteArray& out) {
    const auto at = static_cast<qsizetype>(pick(0, static_cast<int>(out.size()) - 1));
    const qsizetype from = out.lastIndexOf('\n', at) + 1;  // the start of a line
    const bool whole = from + LOG_LINE_CHARS <= out.size();
    switch (pick(0, 10)) {
      case 0: out[at] = odd_char(); break;
      case 1: out.remove(at, pick(1, 3)); break;
      case 2: out.insert(at, odd_char()); break;
      case 3: out.truncate(at); break;
      case 4: out.insert(from, pick(0, 1) ? QByteArray("\n") : QByteArray("\r\r\n")); break;
      case 5: {
        // An overlong line around the length the reader takes at most.
        QByteArray l = line(pick(0, SLOTS_PER_DAY - 1)) + QByteArray(pick(35, 45), 'A');
        if (pick(0, 1)) l[pick(0, static_cast<int>(l.size()) - 1)] = odd_char();
        out.insert(from, l + (pick(0, 2) ? "\r\n" : ""));
        break;
      }
      case 6:
        if (whole) out.replace(from, 5, pick(0, 1) ? "69781" : "69780");  // beyond the day, the spare slot
        break;
      case 7: out.replace(out.indexOf('\n', at) < 0 ? at : out.indexOf('\n', at), 1, "\r"); break;
      case 8: out.append(hex(word(), 8).left(pick(1, 8))); break;
      default:
        // A field spoilt, the line keeping its length.
        if (whole) out[from + pick(0, LOG_LINE_CHARS - 1)] = "G x-:"[pick(0, 4)];
        break;
    }
  }
  std::mt19937 rng_;
};

// What a reload leaves behind in a device's records.
void expect_same_records(int a, int b, const char* what) {
  const auto& x = m_stat.dev_stat[a];
  const auto& y = m_stat.dev_stat[b];
  EXPECT_EQ(x.last_arch_idx.load(), y.last_arch_idx.load()) << what;
  EXPECT_EQ(x.unit_idx.load(), y.unit_idx.load()) << what;
  EXPECT_EQ(x.unit_cleared.load(), y.unit_cleared.load()) << what;
  EXPECT_EQ(std::memcmp(&x.smp_raw, &y.smp_raw, sizeof x.smp_raw), 0) << what;
  EXPECT_EQ(std::memcmp(&x.smp_cal, &y.smp_cal, sizeof x.smp_cal), 0) << what;
  EXPECT_EQ(std::memcmp(&x.smp_temp, &y.smp_temp, sizeof x.smp_temp), 0) << what;
}

}  // namespace

TEST_F(LiveReload, BlockParserLoadsWhatTheLineReaderLoads) {
  // Device 0 reads through the reference, device 1 through the reload; the
  // records and the codes must agree for every file, damaged or not.
  log_maker make(20260311);
  int codes[LOAD_READ_FAILED + 1] = {};
  for (int n = 0; n < 200; ++n) {
    // Some files span several of the blocks the reload reads.
    QByteArray bytes = make.file(n % 60 == 7 ? 30000 : n % 40, n % 80 != 0);
    if (n % 80 == 0) {
      // Empty lines up to the most lines a file may hold, one less or one more.
      bytes += make.file(30, false);
      const auto lines = static_cast<int>(bytes.count('\n'));
      bytes.prepend(QByteArray(LOG_MAX_LINES - lines + n / 80 - 1, '\n'));
    }
    // The rings agree before every file; emptied now and then, and always
    // ready to take a unit, as at start-up.
    for (int d : {0, 1}) {
      if (n % 8 == 0) clear_smp_ring(m_stat.dev_stat[d]);
      m_stat.dev_stat[d].unit_cleared = true;
    }
    QBuffer ref(&bytes), fast(&bytes);
    ASSERT_TRUE(ref.open(QIODevice::ReadOnly) && fast.open(QIODevice::ReadOnly));
    const int want = reference_read_log_lines(ref, 0);
    const std::string what = "file " + std::to_string(n);
    EXPECT_EQ(read_log_lines(fast, 1), want) << what;
    expect_same_records(0, 1, what.c_str());
    // From a file on disk as the start-up opens it.
    if (n % 10 == 3) {
      const QString p = write(bytes);
      QFile f(p);
      ASSERT_TRUE(f.open(QIODevice::ReadOnly));
      clear_smp_ring(m_stat.dev_stat[0]);  // as reload_log_file does
      EXPECT_EQ(reference_read_log_lines(f, 0), want) << what;
      EXPECT_EQ(reload_log_file(p, 1), want) << what;
      expect_same_records(0, 1, what.c_str());
    }
    ++codes[want];
  }
  // The files cover every outcome.
  for (int c = LOAD_OK; c <= LOAD_BAD_INDEX; ++c) EXPECT_GT(codes[c], 0) << "code " << c;
}
