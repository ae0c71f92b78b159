// The main window in service mode: what read_service_marker and
// apply_service_mode (app/setup_file.h) decided, shown on the controls.
#pragma once

class QObject;

// The main window part of the service mode: the six analog output
// calibration controls lbl_cal_4ma, lbl_cal_20ma, scr_cal_4ma, scr_cal_20ma,
// cmd_calout_4, cmd_calout_20 shown in service mode and hidden otherwise; in
// service mode menm_acc_user disabled and unchecked and menm_acc_expert
// disabled and checked. Controls (widgets or actions) are found below
// main_window by object name; missing ones are skipped.
void show_service_controls(QObject* main_window, bool service_ena);
