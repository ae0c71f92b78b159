// The commissioning report as an A4 PDF, drawn with QPdfWriter and QPainter:
// text stays text (selectable, readable by text extractors), in "Arial"
// (Liberation Sans). Every page carries the serial number, the tag and the
// page number; tables break between rows and repeat their header on the next
// page. Qt Gui, no widgets: orvctl uses it too, and it makes a Qt Gui
// application of its own (offscreen) when the program has none.
#pragma once

#include "config/cfg_report.h"

#include <QImage>
#include <QString>

// Writes the report to path through a temporary file, so that an existing
// file is only replaced by a complete new one. chart: the device's live
// chart (the window's report), or a null image. False with the reason in
// error when the file cannot be written.
bool write_report_pdf(const t_report& r, const QString& path, QString& error, const QImage& chart = QImage());
