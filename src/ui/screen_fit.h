// Keeping windows on a monitor that is there.
#pragma once

class QWidget;

// True when some monitor holds the point with a 50-pixel margin.
bool on_monitor(int x, int y);

// Centres a form on the primary monitor when its place lies on none (a
// position saved for a monitor that is no longer attached) and gives it the
// focus. Every dialog calls it when it is shown.
void fit_to_monitor(QWidget* form);
