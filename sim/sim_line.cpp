#include "sim_line.h"

#include "rtu_framer.h"
#include "state_file.h"

#include "comm/port_names.h"
#include "core/work_dirs.h"

#include <fcntl.h>
#include <poll.h>
#include <pty.h>
#include <sys/eventfd.h>
#include <sys/stat.h>
#include <termios.h>
#include <unistd.h>
#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <stdexcept>

namespace orvsim {
namespace {

int64_t now_us() {
  using namespace std::chrono;
  return duration_cast<microseconds>(steady_clock::now().time_since_epoch()).count();
}

int baud_of(speed_t s) {
  switch (s) {
    case B1200: return 1200;
    case B2400: return 2400;
    case B4800: return 4800;
    case B9600: return 9600;
    case B19200: return 19200;
    case B38400: return 38400;
    case B57600: return 57600;
    case B115200: return 115200;
    case B230400: return 230400;
    default: return 0;
  }
}

int baud_index(int baud) {
  static const int kBauds[5] = {9600, 19200, 38400, 57600, 115200};
  for (int i = 0; i < 5; ++i)
    if (kBauds[i] == baud) return i;
  return -1;
}

// An answer that could not be handed to the line this long after it was due
// is dropped (nobody reads the other end).
constexpr int64_t kStaleUs = 2000000;

}  // namespace

sim_line::sim_line(line_options o) : o_(std::move(o)), clock_(o_.clock ? o_.clock : &steady_tick_clock::instance()) {
  if (o_.devices.empty()) o_.devices.push_back(device_settings{});
  is_pty_ = o_.device.empty();
  faults_.set(o_.faults);
  unit_configs saved;
  if (!o_.state_file.empty()) {
    std::string err;
    if (!load_state(o_.state_file, saved, err)) throw std::runtime_error(err);
  }
  const int64_t now = clock_->now_ms();
  for (const auto& d : o_.devices) {
    if (d.address < 1 || d.address > 247)
      throw std::runtime_error("unit address out of 1..247: " + std::to_string(d.address));
    if (units_.find(d.address)) throw std::runtime_error("two transmitters at address " + std::to_string(d.address));
    transmitter& t = units_.add(d, now);
    start_addresses_.push_back(d.address);
    if (auto it = saved.find(d.address); it != saved.end()) t.load_config(it->second);
  }
  units_.on_note = [this](const std::string& s) { note(s); };
  units_.on_commit = [this](transmitter&) { save_state_locked(); };
  if (o_.log_requests)
    units_.on_command = [this](const transmitter& t, const command_write& w) {
      char hex[8];
      std::snprintf(hex, sizeof hex, "0x%04X", w.value);
      note("unit " + std::to_string(t.address()) + " command " + std::to_string(w.reg) + " = " + hex);
    };
  wake_fd_ = ::eventfd(0, EFD_NONBLOCK | EFD_CLOEXEC);
  if (wake_fd_ < 0) throw std::runtime_error(std::string("eventfd: ") + std::strerror(errno));
  try {
    open_line();
    if (o_.com > 0) link_entry();
  } catch (...) {
    close_line();
    ::close(wake_fd_);
    throw;
  }
  if (o_.on_path) o_.on_path(path_);
  thread_ = std::thread([this] { run(); });
}

sim_line::~sim_line() {
  stop_ = true;
  const uint64_t one = 1;
  [[maybe_unused]] ssize_t r = ::write(wake_fd_, &one, sizeof one);
  thread_.join();
  unlink_entry();
  close_line();
  ::close(wake_fd_);
  std::lock_guard<std::mutex> lock(mu_);
  save_state_locked();
}

void sim_line::unlink_entry() {
  if (entry_.empty()) return;
  // Remove the entry only while it still leads to this line.
  std::error_code ec;
  const auto target = std::filesystem::read_symlink(entry_, ec);
  if (!ec && target == path_) std::filesystem::remove(entry_, ec);
}

void sim_line::note(const std::string& s) {
  if (o_.on_note) o_.on_note(s);
}

std::string sim_line::path() const {
  std::lock_guard<std::mutex> lock(mu_);
  return path_;
}

bool sim_line::is_up() const {
  std::lock_guard<std::mutex> lock(mu_);
  return fd_ >= 0;
}

bool sim_line::sending() const {
  std::lock_guard<std::mutex> lock(mu_);
  return !out_.empty();
}

line_stats sim_line::stats() const {
  std::lock_guard<std::mutex> lock(mu_);
  return stats_;
}

std::vector<command_write> sim_line::command_log(int address) const {
  std::lock_guard<std::mutex> lock(mu_);
  for (const auto& u : units_.units())
    if (u->address() == address) return {u->command_log().begin(), u->command_log().end()};
  return {};
}

bool sim_line::steer(int address, const std::function<void(transmitter&)>& fn) {
  std::lock_guard<std::mutex> lock(mu_);
  transmitter* t = units_.find(address);
  if (!t) return false;
  t->advance(clock_->now_ms());
  fn(*t);
  return true;
}

void sim_line::steer_all(const std::function<void(transmitter&)>& fn) {
  std::lock_guard<std::mutex> lock(mu_);
  for (auto& u : units_.units()) {
    u->advance(clock_->now_ms());
    fn(*u);
  }
}

void sim_line::set_faults(const fault_settings& f) {
  std::lock_guard<std::mutex> lock(mu_);
  faults_.set(f);
}

void sim_line::set_line_timing(bool on) {
  std::lock_guard<std::mutex> lock(mu_);
  o_.line_timing = on;
}

bool sim_line::save_state() {
  std::lock_guard<std::mutex> lock(mu_);
  return save_state_locked();
}

bool sim_line::save_state_locked() {
  if (o_.state_file.empty()) return true;
  unit_configs c;
  const auto& u = units_.units();
  for (size_t k = 0; k < u.size(); ++k) c[start_addresses_[k]] = u[k]->active_config();
  std::string err;
  if (!orvsim::save_state(o_.state_file, c, err)) {
    note("state not saved: " + err);
    return false;
  }
  return true;
}

void sim_line::open_line() {
  if (!is_pty_) {
    port_ = std::make_unique<serial_port>();
    if (!port_->open(o_.device)) throw std::runtime_error(o_.device + ": " + std::strerror(port_->last_errno()));
    const int idx = baud_index(o_.baud ? o_.baud : 115200);
    if (idx < 0 || !port_->configure(idx, o_.parity))
      throw std::runtime_error(o_.device + ": the baud rate or parity is not taken");
    fd_ = port_->fd();
    path_ = o_.device;
    return;
  }
  int master = -1, slave = -1;
  char name[256] = {};
  if (::openpty(&master, &slave, name, nullptr, nullptr) != 0)
    throw std::runtime_error(std::string("openpty: ") + std::strerror(errno));
  // Raw from the start, so that nothing is echoed before the program has set
  // the line up; the settings stay with the pseudo-terminal.
  termios t{};
  ::tcgetattr(slave, &t);
  ::cfmakeraw(&t);
  ::cfsetispeed(&t, B115200);
  ::cfsetospeed(&t, B115200);
  ::tcsetattr(slave, TCSANOW, &t);
  // The slave end is not held open here: the program must be able to open it
  // exclusively, close it and open it again.
  ::close(slave);
  ::fcntl(master, F_SETFL, ::fcntl(master, F_GETFL) | O_NONBLOCK);
  ::fcntl(master, F_SETFD, FD_CLOEXEC);
  std::lock_guard<std::mutex> lock(mu_);
  fd_ = master;
  path_ = name;
}

void sim_line::close_line() {
  std::lock_guard<std::mutex> lock(mu_);
  if (port_) {
    port_->close();
    port_.reset();
  } else if (fd_ >= 0) {
    ::close(fd_);
  }
  fd_ = -1;
  out_.clear();
}

void sim_line::link_entry() {
  if (o_.com < 1 || o_.com > MAX_COM_PORT)
    throw std::runtime_error("COM number out of 1.." + std::to_string(MAX_COM_PORT));
  const std::string dir = o_.ports_dir.empty() ? com_ports_dir().toStdString() : o_.ports_dir;
  std::error_code ec;
  std::filesystem::create_directories(dir, ec);
  if (ec) throw std::runtime_error(dir + ": " + ec.message());
  const std::string entry = com_entry_path(dir, o_.com);
  struct stat st {};
  if (::lstat(entry.c_str(), &st) == 0 && !S_ISLNK(st.st_mode))
    throw std::runtime_error(entry + " exists and is not a link; not replaced");
  if (entry_.empty() && ::lstat(entry.c_str(), &st) == 0) note("replacing the old entry " + entry);
  // Point the entry at the line in one step (a new link renamed over the old one).
  const std::string tmp = entry + ".orvsim-new";
  ::unlink(tmp.c_str());
  if (::symlink(path_.c_str(), tmp.c_str()) != 0 || ::rename(tmp.c_str(), entry.c_str()) != 0) {
    const int e = errno;
    ::unlink(tmp.c_str());
    throw std::runtime_error(entry + ": " + std::strerror(e));
  }
  entry_ = entry;
}

void sim_line::go_down() {
  if (!is_pty_) return;
  std::unique_lock<std::mutex> lock(mu_);
  cmd_ = line_cmd_t::DOWN;
  const int serial = ++cmd_serial_;
  const uint64_t one = 1;
  [[maybe_unused]] ssize_t r = ::write(wake_fd_, &one, sizeof one);
  cv_.wait(lock, [&] { return cmd_done_ >= serial; });
}

void sim_line::come_back() {
  if (!is_pty_) return;
  std::unique_lock<std::mutex> lock(mu_);
  cmd_ = line_cmd_t::UP;
  const int serial = ++cmd_serial_;
  const uint64_t one = 1;
  [[maybe_unused]] ssize_t r = ::write(wake_fd_, &one, sizeof one);
  cv_.wait(lock, [&] { return cmd_done_ >= serial; });
  if (!cmd_error_.empty()) throw std::runtime_error(cmd_error_);
}

int sim_line::line_baud() const {
  if (o_.baud > 0) return o_.baud;
  if (is_pty_ && fd_ >= 0) {
    // The master end reports the settings the program made on its end.
    termios t{};
    if (::tcgetattr(fd_, &t) == 0) {
      const int b = baud_of(::cfgetospeed(&t));
      if (b > 0) return b;
    }
  }
  return 115200;
}

int64_t sim_line::char_us() const {
  const int bits = 10 + (o_.parity != 0 ? 1 : 0);
  return (1000000LL * bits + line_baud() - 1) / line_baud();
}

void sim_line::run() {
  rtu_framer framer;
  const auto outage_start = std::chrono::steady_clock::now();
  bool in_outage = false;
  uint8_t buf[1024];
  while (!stop_) {
    // Commands and the outage schedule.
    {
      std::unique_lock<std::mutex> lock(mu_);
      line_cmd_t cmd = cmd_;
      cmd_ = line_cmd_t::NONE;
      if (cmd == line_cmd_t::NONE && o_.outage_every_s > 0 && o_.outage_for_s > 0 && is_pty_) {
        const auto secs =
            std::chrono::duration_cast<std::chrono::milliseconds>(std::chrono::steady_clock::now() - outage_start)
                .count() /
            1000.0;
        const double cycle = o_.outage_every_s + o_.outage_for_s;
        const double phase = secs - cycle * static_cast<int64_t>(secs / cycle);
        const bool want_down = secs >= o_.outage_every_s && phase >= o_.outage_every_s;
        if (want_down != in_outage) cmd = want_down ? line_cmd_t::DOWN : line_cmd_t::UP;
      }
      if (cmd != line_cmd_t::NONE) {
        cmd_error_.clear();
        lock.unlock();
        if (cmd == line_cmd_t::DOWN && fd_ >= 0) {
          // The entry goes first, as a device node goes with its adapter: the
          // number of the closed pseudo-terminal may be handed to another
          // program's line at once, and a program that opens the entry again
          // must not reach that one.
          unlink_entry();
          close_line();
          framer.clear();
          in_outage = true;
          note("line " + path_ + " gone");
        } else if (cmd == line_cmd_t::UP && fd_ < 0) {
          try {
            open_line();
            if (o_.com > 0) link_entry();
            in_outage = false;
            if (o_.on_path) o_.on_path(path_);
          } catch (const std::exception& e) {
            cmd_error_ = e.what();
            note(e.what());
          }
        }
        lock.lock();
        cmd_done_ = cmd_serial_;
        cv_.notify_all();
      }
    }
    const int fd = fd_;
    int64_t now = now_us();
    int timeout_ms = 20;
    {
      std::lock_guard<std::mutex> lock(mu_);
      if (!out_.empty()) timeout_ms = 1;
      framer.set_gap_us(is_pty_ ? std::max<int64_t>(5000, char_us() * 7 / 2)
                                : std::max<int64_t>(1750, char_us() * 7 / 2));
    }
    if (framer.gap_end_us() >= 0)
      timeout_ms =
          std::min<int>(timeout_ms, static_cast<int>(std::max<int64_t>(0, framer.gap_end_us() - now) / 1000 + 1));
    pollfd p[2] = {{wake_fd_, POLLIN, 0}, {fd, POLLIN, 0}};
    const int nfds = fd >= 0 ? 2 : 1;
    ::poll(p, static_cast<nfds_t>(nfds), timeout_ms);
    if (p[0].revents & POLLIN) {
      uint64_t v;
      [[maybe_unused]] ssize_t r = ::read(wake_fd_, &v, sizeof v);
    }
    now = now_us();
    if (fd >= 0 && (p[1].revents & POLLIN)) {
      for (;;) {
        const ssize_t n = ::read(fd, buf, sizeof buf);
        if (n <= 0) break;
        framer.push(buf, static_cast<size_t>(n), now);
      }
    } else if (fd >= 0 && (p[1].revents & (POLLHUP | POLLERR))) {
      // Nobody has the other end open: nothing to hear, nothing to answer.
      framer.clear();
      {
        std::lock_guard<std::mutex> lock(mu_);
        out_.clear();
      }
      ::usleep(5000);
      continue;
    }
    while (true) {
      int64_t first = 0;
      auto f = framer.take(now_us(), &first);
      if (!f) break;
      std::lock_guard<std::mutex> lock(mu_);
      ++stats_.requests;
      if (!out_.empty()) {
        ++stats_.ignored;  // half duplex: the transmitter is still talking
        keep_silent();
        continue;
      }
      std::vector<uint8_t> answer = units_.handle(f->data(), f->size(), clock_->now_ms());
      if (o_.log_requests && f->size() >= 6)
        note("unit " + std::to_string((*f)[0]) + " f" + std::to_string((*f)[1]) + " " +
             std::to_string(((*f)[2] << 8) | (*f)[3]) + "+" + std::to_string(((*f)[4] << 8) | (*f)[5]) +
             (answer.empty() ? " (silent)" : ""));
      if (answer.empty()) {
        keep_silent();
        continue;
      }
      ++stats_.answers;
      if (answer[1] & 0x80) ++stats_.exceptions;
      const fault_decision d = faults_.apply(answer);
      pending_answer a;
      const int64_t c = char_us();
      if (o_.line_timing) {
        // The request took its time on the wire, then the line turns round.
        a.char_us = c;
        a.start_us = first + static_cast<int64_t>(f->size()) * c + c * 7 / 2;
      } else {
        a.start_us = now_us();
      }
      if (d.drop) {
        ++stats_.faults;
        keep_silent();
        continue;
      }
      if (d.bad_crc || d.delay_ms || !d.noise.empty()) ++stats_.faults;
      a.bytes = d.noise;
      a.bytes.insert(a.bytes.end(), answer.begin(), answer.end());
      a.start_us += static_cast<int64_t>(d.delay_ms) * 1000;
      // The time until the answer's first byte (its lateness and the line's
      // turn-round) passes on the line clock before its bytes go out.
      if (o_.line_clock) o_.line_clock->advance_us(static_cast<int64_t>(d.delay_ms) * 1000 + c * 7 / 2);
      out_.push_back(std::move(a));
      // An exception answer is shorter than any answer the master waits for:
      // after it the line stays silent, and the master's wait runs out.
      if (answer[1] & 0x80) keep_silent();
    }
    send_due(now_us());
  }
}

void sim_line::keep_silent() {
  if (o_.line_clock) o_.line_clock->advance_ms(SILENCE_MS);
}

void sim_line::send_due(int64_t now) {
  std::lock_guard<std::mutex> lock(mu_);
  while (!out_.empty() && fd_ >= 0) {
    pending_answer& a = out_.front();
    if (now < a.start_us) return;
    size_t due = a.bytes.size();
    if (a.char_us > 0) due = std::min(due, static_cast<size_t>((now - a.start_us) / a.char_us + 1));
    if (due > a.sent) {
      const ssize_t n = ::write(fd_, a.bytes.data() + a.sent, due - a.sent);
      if (n > 0)
        a.sent += static_cast<size_t>(n);
      else if (n < 0 && errno != EAGAIN && errno != EINTR) {
        out_.clear();  // the other end is gone
        return;
      }
    }
    const int64_t end_us = a.start_us + static_cast<int64_t>(a.bytes.size()) * a.char_us;
    if (a.sent == a.bytes.size() || now > end_us + kStaleUs) {
      out_.erase(out_.begin());
      continue;
    }
    return;
  }
}

}  // namespace orvsim
