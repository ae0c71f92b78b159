#include "state_file.h"

#include <sys/stat.h>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <sstream>

namespace orvsim {
namespace {

constexpr const char* kHeader = "orvsim state 1";

template <size_t N>
bool read_words(std::istringstream& in, std::array<uint16_t, N>& a, size_t first, size_t n) {
  for (size_t k = 0; k < n; ++k) {
    std::string w;
    if (!(in >> w) || w.size() > 4) return false;
    char* end = nullptr;
    const unsigned long v = std::strtoul(w.c_str(), &end, 16);
    if (*end != '\0' || v > 0xFFFF) return false;
    a[first + k] = static_cast<uint16_t>(v);
  }
  std::string extra;
  return !(in >> extra);
}

template <size_t N>
void write_words(std::ostream& out, const std::array<uint16_t, N>& a, size_t first, size_t n) {
  char buf[8];
  for (size_t k = 0; k < n; ++k) {
    std::snprintf(buf, sizeof buf, " %04X", a[first + k]);
    out << buf;
  }
  out << '\n';
}

}  // namespace

bool load_state(const std::string& path, unit_configs& out, std::string& error) {
  out.clear();
  struct stat st {};
  if (::stat(path.c_str(), &st) != 0 && errno == ENOENT) return true;
  std::ifstream f(path);
  if (!f) {
    error = path + ": cannot be read";
    return false;
  }
  std::string line;
  if (!std::getline(f, line) || line != kHeader) {
    error = path + ": not a simulator state file";
    return false;
  }
  int unit = -1;
  unsigned seen_prods = 0;
  bool seen_param = false;
  int line_no = 1;
  auto finish_unit = [&]() {
    if (unit < 0) return true;
    if (!seen_param || seen_prods != (1u << PROD_NUM) - 1) return false;
    return true;
  };
  config_image c;
  while (std::getline(f, line)) {
    ++line_no;
    std::istringstream in(line);
    std::string key;
    if (!(in >> key)) continue;
    bool ok = true;
    if (key == "unit") {
      ok = finish_unit();
      if (ok && unit >= 0) out[unit] = c;
      c = config_image{};
      seen_param = false;
      seen_prods = 0;
      ok = ok && (in >> unit) && unit >= 1 && unit <= 247;
    } else if (key == "param" && unit >= 0) {
      ok = read_words(in, c.param, 0, PARAM_COUNT);
      seen_param = true;
    } else if (key == "prod" && unit >= 0) {
      int p = -1;
      ok = (in >> p) && p >= 0 && p < PROD_NUM && read_words(in, c.prod, static_cast<size_t>(p * PROD_REGS), PROD_REGS);
      if (ok) seen_prods |= 1u << p;
    } else if (key == "end") {
      ok = finish_unit();
      if (ok && unit >= 0) out[unit] = c;
      if (ok) return true;
    } else {
      ok = false;
    }
    if (!ok) {
      error = path + ":" + std::to_string(line_no) + ": damaged state file";
      out.clear();
      return false;
    }
  }
  error = path + ": state file ends early";
  out.clear();
  return false;
}

bool save_state(const std::string& path, const unit_configs& configs, std::string& error) {
  const std::string tmp = path + ".tmp";
  {
    std::ofstream f(tmp, std::ios::trunc);
    if (!f) {
      error = tmp + ": " + std::strerror(errno);
      return false;
    }
    f << kHeader << '\n';
    for (const auto& [unit, c] : configs) {
      f << "unit " << unit << '\n' << "param";
      write_words(f, c.param, 0, PARAM_COUNT);
      for (int p = 0; p < PROD_NUM; ++p) {
        f << "prod " << p;
        write_words(f, c.prod, static_cast<size_t>(p * PROD_REGS), PROD_REGS);
      }
    }
    f << "end\n";
    f.flush();
    if (!f) {
      error = tmp + ": write failed";
      std::remove(tmp.c_str());
      return false;
    }
  }
  if (std::rename(tmp.c_str(), path.c_str()) != 0) {
    error = path + ": " + std::strerror(errno);
    std::remove(tmp.c_str());
    return false;
  }
  return true;
}

}  // namespace orvsim
