// Painting a chart into a QImage from its view record: the frame with grid
// and labels, the traces from the column arrays, the digital input steps
// and the saturation marks of the Online view. One paint function serves
// the screen and the bitmap export. Uses Qt Gui, no widgets.
//
// Pixel rules: every line is drawn as a move to its first point and a line
// to its second that leaves the second point out; traces are painted
// without antialiasing, texts with it. Texts use "Arial" at 11 pixels
// (8 pt at 96 dpi), which resolves to Liberation Sans.
#pragma once

#include "charts/chart_scale.h"
#include "charts/draw_stat.h"

#include <QFont>
#include <QFontMetrics>
#include <QImage>
#include <QString>

#include <array>

class QPainter;

// The font of every chart text.
QFont chart_font();

// Text sizes in the chart font.
class font_measure : public text_measure {
 public:
  font_measure();
  int32_t width(QStringView text) const override;
  int32_t height(QStringView text) const override;
  const QFontMetrics& metrics() const { return fm_; }

 private:
  QFontMetrics fm_;
  struct t_width {
    QString text;
    int32_t width = 0;
  };
  mutable std::array<t_width, 8> widths_;
  mutable size_t next_width_ = 0;
};

// A Windows colour value (0x00BBGGRR) as a QColor.
QColor chart_color(int32_t bgr);

// Brings a chart's record up to date for an image of w x h pixels:
// channel copies, the full scan when full_diag is set, layout, time scale
// and column mapping.
void prepare_chart(int chart, bool full_diag, int32_t w, int32_t h, const t_frame_limits& lim = {});
// The same without the channel copies and the scan.
void relayout_chart(int chart, int32_t w, int32_t h, const t_frame_limits& lim = {});

// Paints the chart (draw_traces with its frame) into img, which must have
// the size the record was laid out for. Saturation marks on the live chart only.
void paint_chart(QImage& img, int chart);

// Slots this far below the newest one a follow step saw may still get
// their samples (a device's late block); older ones are complete.
inline constexpr int32_t FOLLOW_LATE_SLOTS = 300;

// The live follow step's redraw after the view moved on from old_view_last
// (follow_live): layout, time scale and mapping, and the image. When the
// view moved by whole columns and img still shows the chart as painted
// here at old_view_last, the image moves and only the new columns, the
// axis labels and what does not move with the plot are painted again; the
// pixels are those of a full redraw. Returns the columns moved (0: painted whole).
int32_t follow_chart(QImage& img, int chart, int32_t old_view_last, const t_frame_limits& lim = {});

// The painting steps, for tests and for painters of other targets.
void draw_frame(QPainter& p, const t_draw_stat& ds, int32_t pixel_div_x);
void draw_traces(QPainter& p, const t_draw_stat& ds, bool live, int32_t pixel_div_x);
void draw_sat_mark(QPainter& p, int x, int y, const QColor& colour);
// halign 0 left, 1 centred, 2 right; valign 0 top, 1 centred, 2 bottom.
void draw_text(QPainter& p, int x, int y, int valign, int halign, const QString& text);
// A line from (x1, y1) to (x2, y2) without its end point; nothing when both are one point.
void draw_line(QPainter& p, int x1, int y1, int x2, int y2);
