// The demo: the program with simulated transmitters attached, on a profile
// folder of its own so that a real setup is never touched.
#pragma once

#include <QString>
#include <QStringList>

#include <memory>

class QProcess;

// Points the application-data folder at the demo profile
// ($ORV_DEMO_PROFILE, else $XDG_CACHE_HOME or ~/.cache + "/orvconfig-demo").
QString enter_demo_profile();

class TMainForm;

// The command line of the demo's simulator: three transmitters at flow
// levels of 30, 50 and 70 % of their span, as COM1..COM3 (the second one with
// occasional sensor errors), keeping their configurations in the profile.
QStringList demo_simulator_args(const QString& profile);

// Three simulated transmitters on pseudo-terminals (demo_simulator_args);
// stopped when destroyed.
class demo_simulator {
 public:
  demo_simulator();
  ~demo_simulator();
  // Starts the simulator and waits until its lines are there.
  bool start(const QString& profile, QString* error);

 private:
  std::unique_ptr<QProcess> proc_;
};

// A fresh demo profile gets the three demo devices in its setup file.
void seed_demo_setup();

// The Online view of the demo keeps a scale that holds the demo's signals:
// the transmitters' measuring range, 20 s/div. It is the chart's default
// scaling (given when the profile has none usable), and the chart returns
// to it whenever it fits itself to new data (its first samples, a new day).
void keep_demo_scaling(TMainForm& form);
