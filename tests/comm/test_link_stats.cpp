// The link counters of a device: the window of the last hundred requests,
// the response times, reset and copy, and the status line made of them.
#include "comm/link_stats.h"
#include "comm/status_decode.h"
#include "texts/text_table.h"

#include <gtest/gtest.h>

namespace {

class LinkStats : public ::testing::Test {
 protected:
  void SetUp() override {
    clear_link_stat(l);
    init_texts();
    sys_dec_sep = u'.';
  }
  t_link_stat l;
};

}  // namespace

TEST_F(LinkStats, TheWindowHoldsTheLastHundredRequestsAndTheTotalsEverything) {
  // 150 requests: the first 50 all time-outs, then 90 good, 6 CRC errors, 4 time-outs.
  int64_t t = 1000;
  for (int k = 0; k < 50; ++k) link_record(l, LINK_TIMEOUT, 0, ++t);
  for (int k = 0; k < 100; ++k) {
    const int r = k % 10 == 3 && k < 60 ? LINK_CRC : (k % 25 == 7 ? LINK_TIMEOUT : LINK_GOOD);
    link_record(l, r, 1000 + static_cast<uint32_t>(k), ++t);
  }
  const t_link_view v = link_view(l, t + 250);
  EXPECT_EQ(v.requests, 150u);
  EXPECT_EQ(v.crc_errors, 6u);
  EXPECT_EQ(v.timeouts, 54u);
  EXPECT_EQ(v.good, 90u);
  EXPECT_EQ(v.win_requests, 100);
  EXPECT_EQ(v.win_good, 90);
  EXPECT_EQ(v.win_crc, 6);
  EXPECT_EQ(v.win_timeouts, 4);
  EXPECT_EQ(v.resp_count, 90);
  EXPECT_EQ(v.since_good_ms, 250);
  // Oldest first; the worst is the newest good one (k = 99).
  EXPECT_EQ(v.resp_us[0], 1000u);
  EXPECT_EQ(v.resp_us[89], 1099u);
  EXPECT_EQ(v.worst_us, 1099u);
}

TEST_F(LinkStats, ResponseTimesCoverTheLastHundredAnswers) {
  for (int k = 0; k < 100; ++k) link_record(l, LINK_GOOD, 50000, k);  // a slow start
  for (int k = 0; k < 100; ++k) link_record(l, LINK_GOOD, 2000 + static_cast<uint32_t>(k % 2) * 1000, 100 + k);
  t_link_view v = link_view(l, 300);
  EXPECT_EQ(v.resp_count, 100);
  EXPECT_EQ(v.mean_us, 2500u);  // the slow ones have left the window
  EXPECT_EQ(v.worst_us, 3000u);
  EXPECT_EQ(v.resp_us[0], 2000u);
  EXPECT_EQ(v.resp_us[99], 3000u);
  // Failures do not touch the times.
  link_record(l, LINK_CRC, 99999, 400);
  link_record(l, 7, 99999, 401);  // anything else counts as a time-out
  v = link_view(l, 401);
  EXPECT_EQ(v.mean_us, 2500u);
  EXPECT_EQ(v.timeouts, 1u);
  EXPECT_EQ(v.win_good, 98);
  EXPECT_EQ(v.since_good_ms, 202);
}

TEST_F(LinkStats, ClearKeepsThePortStateAndCopyTakesEverything) {
  for (int k = 0; k < 30; ++k) link_record(l, k % 3 ? LINK_GOOD : LINK_TIMEOUT, 700, k);
  link_add_stored(l, 30);
  link_add_empty(l, 5);
  link_add_empty(l, -3);  // nothing
  l.reopens = 2;
  l.port_lost = true;
  t_link_stat copy;
  copy_link_stat(copy, l);
  const t_link_view a = link_view(l, 100), b = link_view(copy, 100);
  EXPECT_EQ(b.requests, a.requests);
  EXPECT_EQ(b.win_good, 20);
  EXPECT_EQ(b.resp_us, a.resp_us);
  EXPECT_EQ(b.stored, 30u);
  EXPECT_EQ(b.empty, 5u);
  EXPECT_EQ(b.reopens, 2u);
  EXPECT_TRUE(copy.port_lost.load());

  clear_link_stat(l);
  const t_link_view c = link_view(l, 100);
  EXPECT_EQ(c.requests, 0u);
  EXPECT_EQ(c.win_requests, 0);
  EXPECT_EQ(c.resp_count, 0);
  EXPECT_EQ(c.since_good_ms, -1);
  EXPECT_EQ(c.reopens, 0u);
  EXPECT_EQ(c.stored, 0u);
  EXPECT_TRUE(l.port_lost.load());  // the port is still to be opened again
  // Counting starts afresh after a clear.
  link_record(l, LINK_GOOD, 900, 5);
  EXPECT_EQ(link_view(l, 5).win_good, 1);
  EXPECT_EQ(link_view(l, 5).mean_us, 900u);
}

TEST_F(LinkStats, StatusLineShowsShareMeanAndTheErrorsOfTheWindow) {
  EXPECT_EQ(link_line(link_view(l, 0)), "---");
  for (int k = 0; k < 97; ++k) link_record(l, LINK_GOOD, 14000, k);
  for (int k = 0; k < 3; ++k) link_record(l, LINK_CRC, 0, 100 + k);
  EXPECT_EQ(link_line(link_view(l, 0)), QStringLiteral("97 % \u00B7 14 ms \u00B7 3 CRC"));
  for (int k = 0; k < 2; ++k) link_record(l, LINK_TIMEOUT, 0, 200 + k);
  EXPECT_EQ(link_line(link_view(l, 0)), QStringLiteral("95 % \u00B7 14 ms \u00B7 3 CRC \u00B7 2 time-outs"));

  clear_link_stat(l);
  for (int k = 0; k < 199; ++k) link_record(l, LINK_GOOD, 400, k);
  EXPECT_EQ(link_line(link_view(l, 0)), QStringLiteral("100 % \u00B7 0.4 ms"));
  // Rounded down: one failure in a hundred is never shown as 100 %.
  link_record(l, LINK_TIMEOUT, 0, 300);
  EXPECT_TRUE(link_line(link_view(l, 0)).startsWith(QStringLiteral("99 %")));

  clear_link_stat(l);
  link_record(l, LINK_TIMEOUT, 0, 1);
  EXPECT_EQ(link_line(link_view(l, 0)), QStringLiteral("0 % \u00B7 1 time-out"));
}

TEST_F(LinkStats, ResponseTimesInMilliseconds) {
  sys_dec_sep = u',';
  EXPECT_EQ(resp_time_text(0), "0,0 ms");
  EXPECT_EQ(resp_time_text(449), "0,4 ms");
  EXPECT_EQ(resp_time_text(9949), "9,9 ms");
  EXPECT_EQ(resp_time_text(9950), "10 ms");
  EXPECT_EQ(resp_time_text(14499), "14 ms");
  EXPECT_EQ(resp_time_text(400000), "400 ms");
}

TEST_F(LinkStats, NewCaptionsFallBackToTheBuiltInTextsWhereAnOlderPackHasNone) {
  const int row = find_text_row(u"link_crc_word", TXT_KIND_CAPTION, FORM_MAIN);
  ASSERT_GE(row, 0);
  EXPECT_EQ(def_text_tab[row].txt_kind, TXT_KIND_CAPTION);
  cur_texts[row].clear();  // a pack made when the row was a reserve
  EXPECT_EQ(text_or_default(u"link_crc_word", TXT_KIND_CAPTION, FORM_MAIN), "CRC");
  cur_texts[row] = QStringLiteral("Prüfsumme");
  EXPECT_EQ(text_or_default(u"link_crc_word", TXT_KIND_CAPTION, FORM_MAIN), QStringLiteral("Prüfsumme"));
  link_record(l, LINK_CRC, 0, 1);
  EXPECT_EQ(link_line(link_view(l, 0)), QStringLiteral("0 % \u00B7 1 Prüfsumme"));
  EXPECT_EQ(text_or_default(u"no such row", TXT_KIND_CAPTION, FORM_MAIN), QString());
  // Every caption of the dialog and the status row has a built-in text.
  for (const char16_t* name :
       {u"lbl_link_requests", u"lbl_link_good", u"lbl_link_timeouts", u"lbl_link_crc", u"lbl_link_last_good",
        u"lbl_link_mean", u"lbl_link_worst", u"lbl_link_reopens", u"lbl_link_stored", u"lbl_link_empty",
        u"lbl_link_spark", u"cmd_link_reset", u"cmd_link_close", u"link_never"})
    EXPECT_FALSE(text_or_default(name, TXT_KIND_CAPTION, FORM_LINK_STATS).isEmpty())
        << QString::fromUtf16(name).toStdString();
  EXPECT_EQ(text_or_default(u"x_lbl_curr_link", TXT_KIND_CAPTION, FORM_MAIN), "Link");
  EXPECT_EQ(form_text(FORM_LINK_STATS).value_or(QString()), "Link statistics");
}
