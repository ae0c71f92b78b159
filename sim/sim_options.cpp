#include "sim_options.h"

#include <cerrno>
#include <cmath>
#include <cstdlib>
#include <sstream>

namespace orvsim {
namespace {

bool to_long(const std::string& s, long lo, long hi, long& v) {
  if (s.empty()) return false;
  char* end = nullptr;
  errno = 0;
  v = std::strtol(s.c_str(), &end, 0);
  return errno == 0 && *end == '\0' && v >= lo && v <= hi;
}

bool to_u64(const std::string& s, uint64_t& v) {
  if (s.empty() || s[0] == '-') return false;
  char* end = nullptr;
  errno = 0;
  v = std::strtoull(s.c_str(), &end, 0);
  return errno == 0 && *end == '\0';
}

bool to_double(const std::string& s, double lo, double hi, double& v) {
  if (s.empty()) return false;
  char* end = nullptr;
  errno = 0;
  v = std::strtod(s.c_str(), &end);
  return errno == 0 && *end == '\0' && std::isfinite(v) && v >= lo && v <= hi;
}

bool to_bool(const std::string& s, bool& v) {
  if (s.empty() || s == "on" || s == "1" || s == "yes" || s == "true") return v = true, true;
  if (s == "off" || s == "0" || s == "no" || s == "false") return v = false, true;
  return false;
}

bool split_pair(const std::string& s, std::string& a, std::string& b) {
  const auto c = s.find(':');
  if (c == std::string::npos) return false;
  a = s.substr(0, c);
  b = s.substr(c + 1);
  return true;
}

}  // namespace

bool parse_device_settings(const std::string& text, device_settings& d, std::string& error) {
  std::stringstream in(text);
  std::string item;
  while (std::getline(in, item, ',')) {
    if (item.empty()) continue;
    const auto eq = item.find('=');
    const std::string key = item.substr(0, eq);
    const std::string val = eq == std::string::npos ? std::string() : item.substr(eq + 1);
    long l = 0;
    double x = 0;
    uint64_t u = 0;
    bool b = false, ok = true;
    if (key == "addr")
      ok = to_long(val, 1, 247, l) && (d.address = static_cast<int>(l), true);
    else if (key == "serial")
      ok = !val.empty() && val.size() <= 12 && (d.serial = val, true);
    else if (key == "sensor-serial")
      ok = to_u64(val, u) && u < (1ull << 48) && (d.sensor_serial = u, true);
    else if (key == "firmware")
      ok = to_long(val, 0, 65535, l) && (d.firmware = static_cast<int>(l), true);
    else if (key == "sensor-mode")
      ok = to_long(val, 0, 65535, l) && (d.sensor_mode = static_cast<int>(l), true);
    else if (key == "level")
      ok = to_double(val, -50, 200, x) && (d.process.level = x, true);
    else if (key == "noise")
      ok = to_double(val, 0, 50, x) && (d.process.noise = x, true);
    else if (key == "drift")
      ok = to_bool(val, b) && (d.process.drift = b, true);
    else if (key == "steps")
      ok = to_bool(val, b) && (d.process.steps = b, true);
    else if (key == "steady") {
      ok = val.empty();
      d.process.drift = d.process.steps = d.temp_drift = false;
      d.process.noise = 0;
    } else if (key == "raw")
      ok = to_double(val, 0, 1e7, x) && (d.raw = x, true);
    else if (key == "reading")
      ok = to_long(val, 0, 1023, l) && (d.reading = static_cast<int>(l), true);
    else if (key == "saturate")
      ok = val.empty() && (d.reading = 1023, true);
    else if (key == "temp")
      ok = to_double(val, -200, 1000, x) && (d.temp = x, true);
    else if (key == "temp-limits") {
      std::string a, c;
      double lo = 0, hi = 0;
      ok = split_pair(val, a, c) && to_double(a, -1000, 1000, lo) && to_double(c, -1000, 1000, hi) && lo <= hi;
      if (ok) d.temp_lo = lo, d.temp_hi = hi;
    } else if (key == "din")
      ok = to_long(val, 0, 15, l) && (d.din = static_cast<int>(l), true);
    else if (key == "sensor-error")
      ok = val.empty() && (d.sensor_error = true);
    else if (key == "sensor-errors")
      ok = to_double(val, 0, 1, x) && (d.sensor_errors = x, true);
    else if (key == "system-error")
      ok = val.empty() && (d.system_error = true);
    else if (key == "system-errors")
      ok = to_double(val, 0, 1, x) && (d.system_errors = x, true);
    else if (key == "alarms")
      ok = to_long(val, 0, 3, l) && (d.alarms = static_cast<int>(l), true);
    else if (key == "error-code")
      ok = to_long(val, 0, 65535, l) && (d.error_code = static_cast<uint16_t>(l), true);
    else if (key == "counter")
      ok = to_long(val, 0, 65535, l) && (d.counter = static_cast<uint32_t>(l), true);
    else if (key == "clock-ppm")
      ok = to_double(val, -100000, 100000, x) && (d.clock_ppm = x, true);
    else if (key == "seed")
      ok = to_u64(val, u) && (d.seed = u, true);
    else {
      error = "unknown transmitter setting '" + key + "'";
      return false;
    }
    if (!ok) {
      error = "bad value in '" + item + "'";
      return false;
    }
  }
  return true;
}

bool parse_command_line(const std::vector<std::string>& args, run_options& out, std::string& error) {
  out = run_options{};
  out.lines.emplace_back();
  std::string ports_dir;
  for (size_t i = 0; i < args.size(); ++i) {
    const std::string& a = args[i];
    line_options& line = out.lines.back();
    auto value = [&](std::string& v) {
      if (i + 1 >= args.size()) {
        error = a + " needs a value";
        return false;
      }
      v = args[++i];
      return true;
    };
    std::string v;
    long l = 0;
    double x = 0;
    if (a == "-h" || a == "--help") {
      out.help = true;
    } else if (a == "--version") {
      out.version = true;
    } else if (a == "--verbose") {
      out.verbose = true;
    } else if (a == "--quiet") {
      out.quiet = true;
    } else if (a == "--line") {
      out.lines.emplace_back();
    } else if (a == "--ports-dir") {
      if (!value(ports_dir)) return false;
    } else if (a == "--com") {
      if (!value(v) || !to_long(v, 1, 50, l)) return error = "--com takes 1..50", false;
      line.com = static_cast<int>(l);
    } else if (a == "--port") {
      if (!value(line.device)) return false;
    } else if (a == "--baud") {
      if (!value(v) || !to_long(v, 1200, 230400, l)) return error = "--baud takes a baud rate", false;
      line.baud = static_cast<int>(l);
    } else if (a == "--parity") {
      if (!value(v)) return false;
      if (v == "none")
        line.parity = 0;
      else if (v == "odd")
        line.parity = 1;
      else if (v == "even")
        line.parity = 2;
      else
        return error = "--parity takes none, odd or even", false;
    } else if (a == "--line-timing") {
      line.line_timing = true;
    } else if (a == "--device") {
      if (!value(v)) return false;
      device_settings d;
      if (!parse_device_settings(v, d, error)) return error = "--device: " + error, false;
      line.devices.push_back(d);
    } else if (a == "--units") {
      if (!value(v)) return false;
      std::stringstream in(v);
      std::string item;
      while (std::getline(in, item, ',')) {
        if (!to_long(item, 1, 247, l)) return error = "--units takes addresses 1..247", false;
        device_settings d;
        d.address = static_cast<int>(l);
        line.devices.push_back(d);
      }
    } else if (a == "--drop" || a == "--bad-crc" || a == "--noise") {
      if (!value(v) || !to_double(v, 0, 1, x)) return error = a + " takes a share 0..1", false;
      (a == "--drop" ? line.faults.drop : a == "--bad-crc" ? line.faults.bad_crc : line.faults.noise) = x;
    } else if (a == "--late") {
      if (!value(v)) return false;
      std::string share = v, ms;
      if (split_pair(v, share, ms)) {
        if (!to_long(ms, 0, 60000, l)) return error = "--late takes SHARE[:MS]", false;
        line.faults.late_ms = static_cast<int>(l);
      }
      if (!to_double(share, 0, 1, x)) return error = "--late takes SHARE[:MS]", false;
      line.faults.late = x;
    } else if (a == "--fault-seed") {
      uint64_t u = 0;
      if (!value(v) || !to_u64(v, u)) return error = "--fault-seed takes a number", false;
      line.faults.seed = u;
    } else if (a == "--outage") {
      std::string e, f;
      long le = 0, lf = 0;
      if (!value(v) || !split_pair(v, e, f) || !to_long(e, 1, 86400, le) || !to_long(f, 1, 86400, lf))
        return error = "--outage takes EVERY:FOR in seconds", false;
      line.outage_every_s = static_cast<int>(le);
      line.outage_for_s = static_cast<int>(lf);
    } else if (a == "--state") {
      if (!value(line.state_file)) return false;
    } else {
      error = "unknown option '" + a + "'";
      return false;
    }
  }
  for (auto& line : out.lines) {
    line.ports_dir = ports_dir;
    const double sum = line.faults.drop + line.faults.bad_crc + line.faults.late + line.faults.noise;
    if (sum > 1.0 + 1e-9) return error = "the fault shares of a line add up to more than 1", false;
    if (!line.device.empty() && (line.outage_every_s > 0))
      return error = "--outage needs a pseudo-terminal line", false;
    if (line.device.empty() && line.parity != 0) return error = "a pseudo-terminal takes no parity", false;
  }
  for (size_t i = 0; i < out.lines.size(); ++i)
    for (size_t j = i + 1; j < out.lines.size(); ++j)
      if (out.lines[i].com > 0 && out.lines[i].com == out.lines[j].com)
        return error = "two lines as COM" + std::to_string(out.lines[i].com), false;
  return true;
}

std::string help_text() {
  return R"(Usage: orvsim [LINE OPTIONS] [--line LINE OPTIONS]...

Simulates Orv transmitters as Modbus RTU slaves (function 3 and 16) on one or
more serial lines. Each line is a new pseudo-terminal (its path is printed as
"orvsim: line PATH" or "orvsim: line PATH as COMn") or a real serial device.
The simulator runs until SIGINT, SIGTERM or SIGHUP; it then removes its COM
entries and saves its state files.

Line options (for the current line; --line begins the next line):
  --com N            make the line COM N of the program: the entry COMN in the
                     folder "ports" of the configuration folder (by default
                     Tarvik/Orv_Cfg under $XDG_CONFIG_HOME or ~/.config),
                     removed again on exit
  --port PATH        serve this serial device instead of a pseudo-terminal
  --baud RATE        baud rate of the line (default: on a pseudo-terminal the
                     rate the program set on its end, on a device 115200)
  --parity P         none, odd or even (serial devices only)
  --line-timing      answers take the time their bytes need on the wire at the
                     baud rate, as on a real bus (request, turn-round, answer)
  --device SETTINGS  a transmitter on this line, repeatable (see below)
  --units A,B,...    transmitters with factory settings at these addresses
                     (without --device or --units: one transmitter at address 1)
  --state FILE       keep the configurations of the line's transmitters in
                     FILE across restarts (saved on every configuration write
                     and on exit)

Faults (shares 0..1 of the answers; one fault per answer at most):
  --drop P           leave requests unanswered
  --bad-crc P        answer with a wrong CRC
  --late P[:MS]      answer MS milliseconds late (default 400, later than the
                     program waits at any baud rate); the transmitter hears
                     nothing until its answer is out
  --noise P          send 1..4 noise bytes before the answer (never the
                     transmitter's own address)
  --fault-seed N     seed of the fault decisions
  --outage E:F       the pseudo-terminal disappears every E seconds for F
                     seconds; it comes back as a new pseudo-terminal and the
                     COM entry is pointed at it

General options:
  --ports-dir DIR    folder of the COM entries instead of the program's own
  --verbose          log every request, and every command register write
                     (10004..10007) with its value, on standard error
  --quiet            no notes on standard error
  -h, --help         this text
  --version          print the version and exit

Transmitter SETTINGS: settings separated by commas, e.g.
  --device addr=2,serial=ORV000000002,sensor-errors=0.05
  addr=N             unit address 1..247 (default 1)
  serial=TEXT        device serial number, up to 12 characters
  sensor-serial=N    sensor serial number (48 bits)
  firmware=N         firmware version in hundredths (default 105 = 1.05)
  sensor-mode=N      sensor mode (status register 32); not 0 selects the
                     second gain coefficient set
  level=PCT          flow level in percent of the product's calibrated span
                     (default 50; above about 125 the reading saturates)
  noise=PCT          measurement noise in percent of the span (default 0.5)
  drift=on|off       slow wandering around the level (default on)
  steps=on|off       a step of 5..15 % now and then (default on)
  steady             no wandering, no steps, no noise, constant temperature
  raw=N              pin the gain-independent raw value; the reading follows
                     the gain in force
  reading=N          pin the 10-bit reading (1020 and above: saturation,
                     971 and above: near saturation)
  saturate           the same as reading=1023
  temp=C             sensor temperature in degrees C (default 23.5)
  temp-limits=LO:HI  sensor temperature limits (default -20:70); outside them
                     the status word reports the temperature off limits
  din=MASK           digital inputs 1..4 as wired (bit 0 = input 1)
  sensor-error       every sample with a sensor error
  sensor-errors=P    share of samples with a sensor error
  system-error       every sample with a system error
  system-errors=P    share of samples with a system error
  alarms=MASK        force alarm relay 1 (1), relay 2 (2) or both (3) on
  error-code=N       bits added to the error code word
  counter=N          samples already produced at the start (the counter
                     register starts at N and wraps from 65535 to 0)
  clock-ppm=X        deviation of the transmitter's sample clock
  seed=N             seed of the transmitter's signal

The transmitter answers registers 0..80 (status), 2000..2124 (samples),
3000..3083 (parameters), 4000..5727 (products) and 10004..10007 (gain
override, configuration write end, analog output drive and mode). A request
beyond these blocks or across two of them gets the exception "illegal data
address", a count above 125 (read) or 123 (write) "illegal data value", a
write to the status or sample block "illegal data address".

Examples:
  orvsim --com 3
  orvsim --com 3 --units 1,2 --line --com 4 --device addr=1,sensor-errors=0.05
  orvsim --com 5 --line-timing --drop 0.1 --bad-crc 0.05
)";
}

}  // namespace orvsim
