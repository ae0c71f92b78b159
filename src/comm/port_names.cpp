#include "comm/port_names.h"

#include "core/work_dirs.h"

#include <sys/stat.h>

std::string com_entry_path(const std::string& ports_dir, int n) { return ports_dir + "/COM" + std::to_string(n); }

std::string com_port_path(int n) {
  if (n < 1 || n > MAX_COM_PORT) return {};
  const std::string entry = com_entry_path(com_ports_dir().toStdString(), n);
  struct stat st {};
  if (lstat(entry.c_str(), &st) == 0) return entry;
  if (n <= 16) return "/dev/ttyS" + std::to_string(n - 1);
  if (n <= 32) return "/dev/ttyUSB" + std::to_string(n - 17);
  if (n <= 48) return "/dev/ttyACM" + std::to_string(n - 33);
  return {};
}
