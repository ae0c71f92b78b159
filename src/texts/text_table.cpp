#include "texts/text_table.h"

namespace {

constexpr QLatin1String k_crlf("\r\n");

aout_mode_query g_aout_query = nullptr;

QStringView row_name(const t_text_row& row) { return QStringView(row.txt_name); }

}  // namespace

t_text_set default_texts() {
  t_text_set texts;
  for (int r = 0; r < TXT_ROW_CNT; ++r) texts[r] = QStringView(def_text_tab[r].def_text).toString();
  return texts;
}

// The table itself is constant-initialised, so the defaults are in place
// even before init_texts runs.
t_text_set cur_texts = default_texts();

void init_texts() { cur_texts = default_texts(); }

QString bars_to_breaks(QStringView text) {
  QString out = text.toString();
  out.replace(QLatin1Char('|'), k_crlf);
  return out;
}

QString msg_text(int n) {
  for (int r = 0; r < TXT_ROW_CNT; ++r) {
    const t_text_row& row = def_text_tab[r];
    if (row.txt_kind != TXT_KIND_MESSAGE || row.txt_key != n) continue;
    const QString& text = cur_texts[r];
    const qsizetype bars = text.count(QLatin1Char('|'));
    QString out = bars_to_breaks(text);
    for (qsizetype k = 0; k < bars / 3; ++k) out += k_crlf;
    return out;
  }
  return QString::fromLatin1(TXT_UNKNOWN_MSG);
}

QString ctrl_text(QStringView name, int request, int form, bool aout_voltage) {
  for (int r = 0; r < TXT_ROW_CNT; ++r) {
    const t_text_row& row = def_text_tab[r];
    if (row.txt_key != form || row_name(row) != name) continue;
    switch (row.txt_kind) {
      case TXT_KIND_CAPTION:
        if (request == TXT_REQ_CAPTION) return cur_texts[r];
        break;
      case TXT_KIND_MESSAGE:
        if (request == TXT_REQ_MESSAGE) return cur_texts[r];
        break;
      case TXT_KIND_HINT:
        if (request == TXT_REQ_HINT) return bars_to_breaks(cur_texts[r]);
        break;
      case TXT_KIND_CURRENT:
        if (!aout_voltage) return cur_texts[r];
        break;
      case TXT_KIND_VOLTAGE:
        if (aout_voltage) return cur_texts[r];
        break;
      default: return cur_texts[r];
    }
  }
  return QString();
}

void set_aout_mode_query(aout_mode_query query) { g_aout_query = query; }

bool aout_voltage_mode() { return g_aout_query != nullptr && g_aout_query(); }

QString ctrl_text(QStringView name, int request, int form) {
  return ctrl_text(name, request, form, aout_voltage_mode());
}

std::optional<QString> form_text(int form) {
  for (int r = 0; r < TXT_ROW_CNT; ++r) {
    const t_text_row& row = def_text_tab[r];
    if (row.txt_kind == TXT_KIND_FORM && row.txt_key == form) return cur_texts[r];
  }
  return std::nullopt;
}

QStringList split_items(QStringView text) {
  QStringList items;
  if (text.isEmpty()) return items;
  for (QStringView field : text.split(QLatin1Char('|'))) items.append(field.toString());
  return items;
}

QStringList grid_titles(QStringView text, int columns) {
  QStringList titles = split_items(text);
  if (columns < 0) columns = 0;
  while (titles.size() < columns) titles.append(QString());
  while (titles.size() > columns) titles.removeLast();
  return titles;
}

QStringList unit_items() {
  return {QStringLiteral("kg/h"), QStringLiteral("kg/min"), QStringLiteral("kg/s"), QStringLiteral("t/h"),
          QStringLiteral("lb/h"), QStringLiteral("lb/min"), QStringLiteral("%")};
}

std::optional<QStringList> combo_items(QStringView name, int form) {
  if (name == u"cmb_unit") return unit_items();
  const QString text = ctrl_text(name, TXT_REQ_CAPTION, form);
  if (text.isEmpty()) return std::nullopt;
  return split_items(text);
}

int find_text_row(QStringView name, int32_t kind, int32_t key) {
  for (int r = 0; r < TXT_ROW_CNT; ++r) {
    const t_text_row& row = def_text_tab[r];
    if (row.txt_kind == kind && row.txt_key == key && row_name(row) == name) return r;
  }
  return -1;
}

QString text_or_default(QStringView name, int32_t kind, int32_t key) {
  const int r = find_text_row(name, kind, key);
  if (r < 0) return QString();
  return cur_texts[r].isEmpty() ? QStringView(def_text_tab[r].def_text).toString() : cur_texts[r];
}

QString kind_text(int32_t kind) {
  for (int r = 0; r < TXT_ROW_CNT; ++r)
    if (def_text_tab[r].txt_kind == kind) return cur_texts[r];
  return QString();
}

QString app_title() {
  return kind_text(TXT_KIND_APP_NAME) + QLatin1Char(' ') + QString::fromLatin1(APP_VERSION_SUFFIX);
}

QString data_folder_text() { return kind_text(TXT_KIND_DATA_DIR); }

QString cfg_folder_text() { return kind_text(TXT_KIND_CFG_DIR); }
