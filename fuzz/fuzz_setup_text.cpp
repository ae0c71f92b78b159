// Fuzz target: the setup file's text (293 "|"-terminated fields) parsed into
// the program's records. A text read once and saved must read back to the
// same text: whatever a damaged file holds, a save and a load change nothing.
#include "app/setup_file.h"
#include "charts/draw_stat.h"
#include "core/common_data.h"

#include <cstdint>
#include <cstdlib>

namespace {

QString load_and_save(const QString& text) {
  t_setup_ui ui;
  parse_setup_text(text, common_setup, m_stat, draw_stat, ui);
  return build_setup_text(common_setup, m_stat, draw_stat, ui);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  // The checked file reader gives one character per byte.
  const QString text = QString::fromLatin1(reinterpret_cast<const char*>(data), static_cast<qsizetype>(size));
  const QString saved = load_and_save(text);
  if (load_and_save(saved) != saved) std::abort();
  return 0;
}
