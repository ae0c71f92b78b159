#include "support/test_env.h"

#include "comm/modb_serial.h"
#include "comm/port_names.h"
#include "core/common_data.h"
#include "core/mono_clock.h"
#include "core/work_dirs.h"

#include <QCoreApplication>

#include <QDir>

#include <modbus.h>

#include <fcntl.h>
#include <poll.h>
#include <pty.h>
#include <sys/stat.h>
#include <termios.h>
#include <unistd.h>
#include <cerrno>
#include <chrono>
#include <stdexcept>

temp_config_home::temp_config_home() {
  had_old_ = qEnvironmentVariableIsSet("XDG_CONFIG_HOME");
  old_ = qgetenv("XDG_CONFIG_HOME");
  qputenv("XDG_CONFIG_HOME", dir_.path().toUtf8());
}

temp_config_home::~temp_config_home() {
  if (had_old_)
    qputenv("XDG_CONFIG_HOME", old_);
  else
    qunsetenv("XDG_CONFIG_HOME");
}

pty_pair::pty_pair() {
  char name[256] = {};
  if (openpty(&master_, &slave_, name, nullptr, nullptr) != 0) throw std::runtime_error("openpty failed");
  slave_path_ = name;
  termios t{};
  tcgetattr(slave_, &t);
  cfmakeraw(&t);
  tcsetattr(slave_, TCSANOW, &t);
  fcntl(master_, F_SETFL, fcntl(master_, F_GETFL) | O_NONBLOCK);
}

pty_pair::~pty_pair() {
  if (!link_.empty()) ::unlink(link_.c_str());
  close_slave();
  close_master();
}

void pty_pair::link_as_com(int n) {
  const QString dir = com_ports_dir();
  QDir().mkpath(dir);
  link_ = com_entry_path(dir.toStdString(), n);
  ::unlink(link_.c_str());
  if (::symlink(slave_path_.c_str(), link_.c_str()) != 0) throw std::runtime_error("symlink failed");
}

void pty_pair::close_slave() {
  if (slave_ >= 0) ::close(slave_);
  slave_ = -1;
}

void pty_pair::close_master() {
  if (master_ >= 0) ::close(master_);
  master_ = -1;
}

std::vector<uint8_t> pty_pair::read_master(int wait_ms, size_t max) {
  std::vector<uint8_t> out;
  pollfd p{master_, POLLIN, 0};
  while (out.size() < max && ::poll(&p, 1, wait_ms) > 0 && (p.revents & POLLIN)) {
    uint8_t buf[512];
    ssize_t n = ::read(master_, buf, sizeof buf);
    if (n <= 0) break;
    out.insert(out.end(), buf, buf + n);
    wait_ms = 20;  // collect the rest of a frame
  }
  return out;
}

std::vector<uint8_t> pty_pair::read_request(int wait_ms) {
  std::vector<uint8_t> out;
  // Address and function first; then a read is 8 bytes, a write 9 + its byte count.
  auto frame_length = [&out]() -> size_t {
    if (out.size() < 2 || out[1] != 16) return 8;
    return out.size() < 7 ? 9 : 9 + static_cast<size_t>(out[6]);
  };
  auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(wait_ms);
  while (out.size() < frame_length()) {
    const auto left =
        std::chrono::duration_cast<std::chrono::milliseconds>(deadline - std::chrono::steady_clock::now());
    if (left.count() <= 0) {
      if (out.empty()) return {};
      break;  // a frame that stopped half-way: returned as it is
    }
    pollfd p{master_, POLLIN, 0};
    if (::poll(&p, 1, static_cast<int>(left.count())) <= 0) continue;
    uint8_t b = 0;
    if (::read(master_, &b, 1) != 1) continue;
    // Once a frame has begun, the rest of it is waited for generously.
    if (out.empty()) deadline = std::chrono::steady_clock::now() + std::chrono::seconds(20);
    out.push_back(b);
  }
  return out;
}

void pty_pair::write_master(const std::vector<uint8_t>& bytes) {
  size_t done = 0;
  while (done < bytes.size()) {
    ssize_t n = ::write(master_, bytes.data() + done, bytes.size() - done);
    if (n > 0)
      done += static_cast<size_t>(n);
    else if (errno != EAGAIN && errno != EINTR)
      break;
  }
}

modbus_peer::modbus_peer(int fd, int slave_id, int registers) : fd_(fd) {
  modbus_t* ctx = modbus_new_rtu("/dev/null", 115200, 'N', 8, 1);
  if (!ctx) throw std::runtime_error("modbus_new_rtu failed");
  modbus_set_slave(ctx, slave_id);
  modbus_set_socket(ctx, fd);
  map_ = modbus_mapping_new(0, 0, registers, 0);
  ctx_ = ctx;
  worker_ = std::thread([this] { run(); });
}

modbus_peer::~modbus_peer() {
  stop_ = true;
  worker_.join();
  modbus_mapping_free(static_cast<modbus_mapping_t*>(map_));
  modbus_set_socket(static_cast<modbus_t*>(ctx_), -1);
  modbus_free(static_cast<modbus_t*>(ctx_));
}

void modbus_peer::set_register(int addr, uint16_t v) {
  std::lock_guard<std::mutex> lock(map_mutex_);
  static_cast<modbus_mapping_t*>(map_)->tab_registers[addr] = v;
}

uint16_t modbus_peer::get_register(int addr) const {
  std::lock_guard<std::mutex> lock(map_mutex_);
  return static_cast<modbus_mapping_t*>(map_)->tab_registers[addr];
}

std::vector<std::pair<int, int>> modbus_peer::writes() const {
  std::lock_guard<std::mutex> lock(map_mutex_);
  return writes_;
}

void modbus_peer::clear_writes() {
  std::lock_guard<std::mutex> lock(map_mutex_);
  writes_.clear();
}

void modbus_peer::run() {
  auto* ctx = static_cast<modbus_t*>(ctx_);
  auto* map = static_cast<modbus_mapping_t*>(map_);
  uint8_t req[MODBUS_RTU_MAX_ADU_LENGTH];
  while (!stop_) {
    pollfd p{fd_, POLLIN, 0};
    if (::poll(&p, 1, 20) <= 0 || !(p.revents & POLLIN)) continue;
    const int n = modbus_receive(ctx, req);
    manual_tick_clock* clock = clock_.load();
    // A frame for another unit (0) or one that is no request (-1) is not
    // answered: the line stays silent.
    if (n <= 0 && clock) clock->advance_ms(kSilenceMs);
    if (n > 0) {
      ++requests_;
      if (drop_ > 0) {
        --drop_;
        if (clock) clock->advance_ms(kSilenceMs);
        continue;
      }
      if (clock) clock->advance_us(answer_us_.load());
      std::lock_guard<std::mutex> lock(map_mutex_);
      // RTU request: address, function, start (2), count (2), ...
      if (n >= 6 && req[1] == 16) writes_.emplace_back((req[2] << 8) | req[3], (req[4] << 8) | req[5]);
      modbus_reply(ctx, req, n, map);
    }
  }
}

bool path_exists(const std::string& p) {
  struct stat st {};
  return ::lstat(p.c_str(), &st) == 0;
}

bool wait_until(const std::function<bool()>& cond, int ms) {
  const int64_t until = mono_ms() + ms;
  while (mono_ms() < until) {
    if (cond()) return true;
    QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
    sleep_ms(5);
  }
  return cond();
}
