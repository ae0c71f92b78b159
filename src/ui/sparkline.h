// A small picture of a row of values (the response times of a device's last
// answers), painted with QPainter into a QImage.
#pragma once

#include <QImage>
#include <QSize>

#include <cstdint>

// Values oldest first, n of them, in an image of the given size (device
// pixels follow dpr). The vertical scale runs from 0 to a little above the
// largest value; a dashed line marks the mean, a dot the newest value.
// With no value the image shows only its frame and base line.
QImage paint_sparkline(const uint32_t* values, int n, QSize size, qreal dpr = 1.0);
