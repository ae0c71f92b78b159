// The painted pictures: sizes at 1x and 2x, real content, greyed images
// that really are grey, and the image order the tool bar relies on.
// With ORV_ICON_SHEET=<file.png> the test also writes every picture to one
// sheet for looking at them.
#include "ui/icons.h"

#include <QColor>
#include <QImage>
#include <QSet>

#include <gtest/gtest.h>

#include <cmath>
#include <cstdlib>
#include <numbers>

namespace {

struct colour_stats {
  double cover = 0;       // share of pixels that are visible (alpha > 32)
  double saturation = 0;  // mean HSV saturation of the visible pixels, 0..1
  double luma = 0;        // mean brightness of the visible pixels, 0..1
  int hue = -1;           // mean hue of the saturated pixels, -1 when none
};

colour_stats stats_of(const QImage& src) {
  const QImage img = src.convertToFormat(QImage::Format_ARGB32);
  colour_stats s;
  long visible = 0;
  long hued = 0;
  double hue_x = 0, hue_y = 0;
  for (int y = 0; y < img.height(); ++y)
    for (int x = 0; x < img.width(); ++x) {
      const QColor c = QColor::fromRgba(img.pixel(x, y));
      if (c.alpha() <= 32) continue;
      ++visible;
      s.saturation += c.hsvSaturationF();
      s.luma += (0.299 * c.redF() + 0.587 * c.greenF() + 0.114 * c.blueF());
      if (c.hsvSaturationF() > 0.4 && c.hsvHue() >= 0) {
        ++hued;
        hue_x += std::cos(c.hsvHue() * std::numbers::pi / 180.0);
        hue_y += std::sin(c.hsvHue() * std::numbers::pi / 180.0);
      }
    }
  s.cover = double(visible) / (img.width() * img.height());
  if (visible > 0) {
    s.saturation /= visible;
    s.luma /= visible;
  }
  if (hued > visible / 4) {
    int h = static_cast<int>(std::lround(std::atan2(hue_y, hue_x) * 180.0 / std::numbers::pi));
    s.hue = (h + 360) % 360;
  }
  return s;
}

QImage icon_image(const QIcon& icon, int size, qreal dpr) { return icon.pixmap(QSize(size, size), dpr).toImage(); }

TEST(ToolIcons, ImageOrderAndNamesFollowTheToolBar) {
  EXPECT_EQ(TOOL_IMAGE_CNT, 18);
  EXPECT_EQ(tool_image_index(tool_cmd_t::LOAD_CFG, true), 0);
  EXPECT_EQ(tool_image_index(tool_cmd_t::LOAD_CFG, false), 1);
  EXPECT_EQ(tool_image_index(tool_cmd_t::WRITE_CFG, true), 8);
  EXPECT_EQ(tool_image_index(tool_cmd_t::EXPORT_CSV, false), 11);
  EXPECT_EQ(tool_image_index(tool_cmd_t::PLAY, false), 17);
  EXPECT_STREQ(tool_cmd_name(tool_cmd_t::LOAD_CFG), "tcmd_load");
  EXPECT_STREQ(tool_cmd_name(tool_cmd_t::EXPORT_CSV), "tcmd_exp_exc");
  EXPECT_STREQ(tool_cmd_name(tool_cmd_t::PLAY), "tcmd_play");
  EXPECT_STREQ(tool_cmd_name(static_cast<tool_cmd_t>(TOOL_CMD_CNT)), "");
  EXPECT_TRUE(tool_image(-1).isNull());
  EXPECT_TRUE(tool_image(TOOL_IMAGE_CNT).isNull());
  EXPECT_TRUE(tool_icon(static_cast<tool_cmd_t>(TOOL_CMD_CNT), true).isNull());
  for (int i = 0; i < TOOL_IMAGE_CNT; ++i) {
    const auto cmd = static_cast<tool_cmd_t>(i / 2);
    EXPECT_EQ(icon_image(tool_image(i), 24, 1.0), icon_image(tool_icon(cmd, i % 2 == 0), 24, 1.0)) << i;
  }
}

TEST(ToolIcons, EveryImageHasBothSizesAtBothRatios) {
  for (int k = 0; k < TOOL_CMD_CNT; ++k)
    for (bool enabled : {true, false}) {
      const QIcon icon = tool_icon(static_cast<tool_cmd_t>(k), enabled);
      ASSERT_FALSE(icon.isNull()) << k;
      const QList<QSize> sizes = icon.availableSizes();
      EXPECT_TRUE(sizes.contains(QSize(16, 16))) << k;
      EXPECT_TRUE(sizes.contains(QSize(24, 24))) << k;
      const QPixmap hi = icon.pixmap(QSize(24, 24), 2.0);
      EXPECT_EQ(hi.deviceIndependentSize().toSize(), QSize(24, 24)) << k;
      EXPECT_EQ(hi.size(), QSize(48, 48)) << k;  // painted for 2x, not scaled up
      const QPixmap lo = icon.pixmap(QSize(16, 16), 1.0);
      EXPECT_EQ(lo.size(), QSize(16, 16)) << k;
    }
}

TEST(ToolIcons, ImagesHaveContentAndDifferFromEachOther) {
  QSet<QByteArray> seen;
  for (int k = 0; k < TOOL_CMD_CNT; ++k)
    for (qreal dpr : {1.0, 2.0}) {
      const QImage img = tool_image_at(static_cast<tool_cmd_t>(k), true, 24, dpr);
      const colour_stats s = stats_of(img);
      EXPECT_GT(s.cover, 0.25) << k;  // a picture, not a speck
      EXPECT_LT(s.cover, 0.95) << k;  // with its own outline, not a filled square
      EXPECT_GT(s.saturation, 0.2) << k;
      if (dpr == 1.0) {
        const QByteArray bytes(reinterpret_cast<const char*>(img.constBits()), img.sizeInBytes());
        EXPECT_FALSE(seen.contains(bytes)) << "command " << k << " looks like another one";
        seen.insert(bytes);
      }
    }
}

TEST(ToolIcons, GreyedImagesAreGreyAndLighter) {
  for (int k = 0; k < TOOL_CMD_CNT; ++k)
    for (qreal dpr : {1.0, 2.0}) {
      const auto cmd = static_cast<tool_cmd_t>(k);
      const QImage on = tool_image_at(cmd, true, 24, dpr);
      const QImage off = tool_image_at(cmd, false, 24, dpr);
      ASSERT_EQ(on.size(), off.size());
      EXPECT_NE(on, off) << k;
      const colour_stats a = stats_of(on);
      const colour_stats b = stats_of(off);
      EXPECT_LT(b.saturation, 0.08) << k;
      EXPECT_GT(b.luma, a.luma) << k;
      EXPECT_NEAR(b.cover, a.cover, 0.05) << k;  // same shape
    }
}

TEST(StatusImages, SizeAndColourOfEachState) {
  for (int k = 0; k < STAT_IMG_CNT; ++k) {
    const auto img = static_cast<dev_status_img_t>(k);
    const QPixmap lo = status_pixmap(img);
    const QPixmap hi = status_pixmap(img, 2.0);
    EXPECT_EQ(lo.size(), QSize(24, 24)) << k;
    EXPECT_EQ(hi.size(), QSize(48, 48)) << k;
    EXPECT_EQ(hi.deviceIndependentSize().toSize(), QSize(24, 24)) << k;
    EXPECT_GT(stats_of(lo.toImage()).cover, 0.4) << k;
    const QIcon icon = status_icon(img);
    EXPECT_EQ(icon.pixmap(QSize(24, 24), 2.0).size(), QSize(48, 48)) << k;
  }
  EXPECT_TRUE(status_pixmap(static_cast<dev_status_img_t>(STAT_IMG_CNT)).isNull());

  // Each state reads at a glance: green, red, amber, grey.
  const colour_stats ok = stats_of(status_pixmap(dev_status_img_t::OK, 2.0).toImage());
  const colour_stats discon = stats_of(status_pixmap(dev_status_img_t::DISCON, 2.0).toImage());
  const colour_stats err = stats_of(status_pixmap(dev_status_img_t::ERR, 2.0).toImage());
  const colour_stats off = stats_of(status_pixmap(dev_status_img_t::DISABLE, 2.0).toImage());
  EXPECT_GE(ok.hue, 90);
  EXPECT_LE(ok.hue, 160);
  EXPECT_TRUE(discon.hue >= 340 || (discon.hue >= 0 && discon.hue <= 15)) << discon.hue;
  EXPECT_GE(err.hue, 25);
  EXPECT_LE(err.hue, 55);
  EXPECT_EQ(off.hue, -1);
  EXPECT_LT(off.saturation, 0.2);
}

TEST(AppIcon, AllSizes) {
  const QIcon icon = app_icon();
  ASSERT_FALSE(icon.isNull());
  for (int size : {16, 32, 48, 256}) EXPECT_TRUE(icon.availableSizes().contains(QSize(size, size))) << size;
  const QImage big = icon_image(icon, 256, 1.0);
  EXPECT_EQ(big.size(), QSize(256, 256));
  EXPECT_GT(stats_of(big).cover, 0.5);
}

TEST(IconSheet, HoldsEveryPicture) {
  const QImage sheet = icon_sheet();
  ASSERT_FALSE(sheet.isNull());
  EXPECT_GT(sheet.width(), TOOL_CMD_CNT * 24 * 3);
  if (const char* path = std::getenv("ORV_ICON_SHEET")) {
    EXPECT_TRUE(sheet.save(QString::fromLocal8Bit(path)));
  }
}

}  // namespace
