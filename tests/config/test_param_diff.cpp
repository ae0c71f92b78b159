// The differences between parameter sets by setting: each changed setting
// once, under its page's caption, with the product named.
#include "comm/reg_map.h"
#include "config/param_diff.h"
#include "config/products.h"
#include "config/reg_codec.h"

#include <gtest/gtest.h>

#include <cstring>

namespace {

void put_name(t_param_set& s, int product, const char* name) {
  for (int k = 0; k < PROD_NAME_CHARS; ++k)
    s.prod[static_cast<size_t>(product * PROD_STRIDE + PROD_REG_NAME + k)] =
        static_cast<uint16_t>(k < static_cast<int>(std::strlen(name)) ? name[k] : ' ');
}

// A set as a transmitter holds it: named products, 115200 baud.
t_param_set named_set() {
  t_param_set s;
  for (int p = 0; p < PRODUCTS; ++p) put_name(s, p, QStringLiteral("PRODUCT %1").arg(p + 1).toLatin1().constData());
  s.param[11] = 4;
  return s;
}

QStringList captions(const std::vector<t_diff_line>& lines) {
  QStringList l;
  for (const t_diff_line& d : lines) l << d.what + ": " + d.a + " -> " + d.b;
  return l;
}

}  // namespace

TEST(ParamDiff, ARenamedProductAndTwoFieldsAreThreeSettings) {
  const t_param_set a = named_set();
  t_param_set b = a;
  put_name(b, 0, "FLOUR");  // product 1, shown by the default product and product assignment selectors
  b.param[11] = 0;          // 9600 baud
  b.param[61] = 55;         // the delay of the second relay
  const auto d = param_set_diff(a, b);
  ASSERT_EQ(d.size(), 3u) << qPrintable(captions(d).join('\n'));
  EXPECT_EQ(d[0].what, "Baud rate");
  EXPECT_EQ(d[0].b, "9600");
  EXPECT_EQ(d[0].reg, PARAM_REG_FIRST + 11);
  EXPECT_EQ(d[1].what, "Digital out: Delay");  // not the first relay's
  EXPECT_EQ(d[1].b, "5.5");
  EXPECT_EQ(d[2].what, "Product 1: Product name");
  EXPECT_EQ(d[2].a, "PRODUCT 1");
  EXPECT_EQ(d[2].b, "FLOUR");
  EXPECT_EQ(d[2].reg, PROD_REG_FIRST + PROD_REG_NAME);
}

TEST(ParamDiff, ASelectorDiffersWhenItChoosesAnotherProduct) {
  const t_param_set a = named_set();
  t_param_set b = a;
  b.param[10] = 2;    // the default product: product 3
  b.param[38] = 1;    // input state 3 selects product 2
  b.param[16] = 'T';  // the device tag
  const QStringList l = captions(param_set_diff(a, b));
  EXPECT_EQ(l, QStringList({"Device tag:  -> T", "Default product: PRODUCT 1 -> PRODUCT 3",
                            "Product assignment, input state 3: PRODUCT 1 -> PRODUCT 2"}))
      << qPrintable(l.join('\n'));
}
