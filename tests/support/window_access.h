// What the window tests reach in the main window: its parts, their dialogs
// and controls, collected here so that a test names a behaviour ("the
// manual gain dialog", "the live chart's image") rather than a member of
// one class. Each section belongs to one part of the window.
#pragma once

#include "ui/main_form.h"

// ---- frame: pages, timer, start-up state ---------------------------------------

// ---- device column -----------------------------------------------------------------

// ---- configuration pages ---------------------------------------------------------

// ---- configuration transfer ----------------------------------------------------

// ---- chart pages and chart control -----------------------------------------

// ---- calibration ---------------------------------------------------------------------
