// The demo: the program with simulated transmitters attached, on a profile
// folder of its own so that a real setup is never touched.
#pragma once

#include <QString>

#include <memory>

class QProcess;

// Points the application-data folder at the demo profile
// ($ORV_DEMO_PROFILE, else $XDG_CACHE_HOME or ~/.cache + "/orvconfig-demo").
QString enter_demo_profile();

// Three simulated transmitters on pseudo-terminals, as COM1..COM3 (the
// second one with occasional sensor errors); stopped when destroyed.
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
