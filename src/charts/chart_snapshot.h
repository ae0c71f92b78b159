// A picture of one device's traces in the Online view over its last hour,
// for the commissioning report: the live chart's record is laid out for the
// picture with only that device's channels shown, painted, and put back as
// it was. Qt Gui, no widgets; user-interface thread only.
#pragma once

#include <QImage>

inline constexpr int SNAPSHOT_SECONDS = 3600;

// A null image when the Online view has no channel of device d, or no data.
QImage live_device_snapshot(int d, int w, int h);
