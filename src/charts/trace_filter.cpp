#include "charts/trace_filter.h"

#include "charts/dsp_chan.h"
#include "core/raw_value.h"

#include <algorithm>
#include <bit>
#include <climits>
#include <memory>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

namespace {

constexpr auto NO_VALUE = static_cast<uint32_t>(RAW_NO_VALUE);

std::unique_ptr<std::array<t_filt_row, MAX_CHANNELS>> make_rows() {
  auto rows = std::make_unique<std::array<t_filt_row, MAX_CHANNELS>>();
  for (auto& r : *rows) {
    r.filt.fill(NO_VALUE);
    r.state = t_filt_stat{};
    r.state.reset = true;
  }
  return rows;
}

// Allocated once at start; about 14 MB.
std::array<t_filt_row, MAX_CHANNELS>& rows() {
  static auto r = make_rows();
  return *r;
}

// ---- raw words ------------------------------------------------------------------------
// The decoded values of the 1024 mantissas under one gain word and
// coefficient set (bits 12..19 and 22 of a raw word), built at first use.
class raw_decoder {
 public:
  // True when word needs another table than the one at hand (refresh).
  bool stale(uint32_t word) const { return (word & RAW_EMPTY_MASK) != RAW_EMPTY_MASK && key_of(word) != key_; }
  void refresh(uint32_t word) {
    const uint32_t key = key_of(word);
    auto& t = tabs()[key];
    if (!t) {
      t = std::make_unique<std::array<int32_t, 1024>>();
      const uint32_t gain = word & ~(RAW_MANT_MASK | 0xC00u);  // bits 10, 11 take no part
      for (uint32_t m = 0; m < 1024; ++m) (*t)[m] = raw_to_value(gain | m);
    }
    key_ = key;
    tab_ = t->data();
  }
  // The value of a word that is not stale.
  int32_t operator()(uint32_t word) const {
    if ((word & RAW_EMPTY_MASK) == RAW_EMPTY_MASK) return RAW_NO_VALUE;
    return tab_[word & RAW_MANT_MASK];
  }

 private:
  static uint32_t key_of(uint32_t word) {
    return ((word >> RAW_GAIN_SHIFT) & 0xFFu) | ((word & RAW_COEF_SET_BIT) ? 0x100u : 0u);
  }
  static std::array<std::unique_ptr<std::array<int32_t, 1024>>, 512>& tabs() {
    static std::array<std::unique_ptr<std::array<int32_t, 1024>>, 512> t;
    return t;
  }
  uint32_t key_ = ~0u;
  const int32_t* tab_ = nullptr;
};

// ---- the chain ---------------------------------------------------------------------------
struct t_filt_par {
  int32_t med_m = 0;    // median of the newest 2 med_m + 1; 0: off
  int32_t screw_n = 0;  // screw window length; 0: off
  int64_t pt_n = 0;     // Pt1 length in samples; 0: off
};

t_filt_par filt_par(int32_t med, uint16_t pt, uint16_t screw) {
  t_filt_par p;
  p.med_m = med > 0 ? std::min<int32_t>(med, FILT_MED_MAX) : 0;
  p.screw_n = screw > 0 ? std::clamp(5 * static_cast<int>(screw), 1, SCREW_WIN) : 0;
  p.pt_n = pt / 2;  // a sample lasts two tenths of a second
  return p;
}

// Truncating division by n (1..65536) as a product: with l = ceil(log2 n)
// and mul = ceil(2^(48 + l) / n), the quotient of u < 2^48 is
// (u mul) >> (48 + l), since u (mul - 2^(48 + l) / n) / 2^(48 + l) < 2^-l
// <= 1 / n; taken as the high half of (u << (16 - l)) mul.
struct t_recip {
  uint64_t mul = 0;
  int pre = 0;  // 16 - l
};

constexpr t_recip recip_of(int64_t n) {
  const int l = std::bit_width(static_cast<uint64_t>(n - 1));
  t_recip r;
  r.pre = 16 - l;
  r.mul = (~uint64_t{0} >> r.pre) / static_cast<uint64_t>(n) + 1;  // (2^(48 + l) - 1) / n + 1
  return r;
}

[[gnu::always_inline]] inline uint64_t recip_div(uint64_t u, uint64_t mul, int pre) {
  return static_cast<uint64_t>((static_cast<unsigned __int128>(u << pre) * mul) >> 64);
}

// Truncating division of a by st.pt_n through a multiplication: exact for
// |a| < 2^48 (an accumulator of 32-bit values over at most 32767 samples).
int64_t pt_div(const t_filt_stat& st, int64_t a) {
  const uint64_t u = a < 0 ? 0 - static_cast<uint64_t>(a) : static_cast<uint64_t>(a);
  if (u >> 48) return a / st.pt_n;
  const auto q = static_cast<int64_t>(recip_div(u, st.pt_mul, st.pt_pre));
  return a < 0 ? -q : q;
}

void set_pt_len(t_filt_stat& st, int64_t n) {
  const t_recip r = recip_of(n);
  st.pt_n = n;
  st.pt_pre = r.pre;
  st.pt_mul = r.mul;
}

// The class of v (lo <= v <= hi): the number of bounds not above it. With
// d = v - lo and range = hi - lo > 0, bound i = lo + floor(range i / 20) is
// not above v exactly when i < 20 (d + 1) / range: the class is that
// quotient rounded up, floor((20 d + 19) / range) + 1, at most 19. For a
// range up to 2^16 the division is a product (t_recip; a range of 0 is
// taken as 1, which puts every entry in class 19). Beyond, it is taken as
// (d + 1) times 20 / range less 2^-40 in double precision, which still
// rounds up right: d + 1 = v - (lo - 1) is exact in a double, the
// product's error stays below 2^-46 (it is below 40), and a quotient that
// is not whole lies at least 1 / range >= 2^-32 from one.
[[gnu::always_inline]] inline int screw_class(const t_filt_stat& st, int32_t v) {
  if (st.cls_pre >= 0) {
    const auto d = static_cast<uint64_t>(static_cast<int64_t>(v) - st.lo);
    const auto q = static_cast<int>(recip_div(20 * d + 19, st.cls_mul, st.cls_pre));
    return std::min(q + 1, SCREW_CLASSES - 1);
  }
  const double t =
      std::min((static_cast<double>(v) - st.lo_base) * st.inv_range - 0x1p-40, static_cast<double>(SCREW_CLASSES));
  const auto c = static_cast<int>(t);
  return std::min(c + (t > c ? 1 : 0), SCREW_CLASSES - 1);
}

constexpr int32_t class_key(int c) { return 31 - c; }
constexpr uint32_t KEY_ONE = 32;  // one entry more in a class

#if defined(__SSE2__)
// Per lane: a where m is set, b elsewhere.
__m128i lane_pick(__m128i m, __m128i a, __m128i b) { return _mm_or_si128(_mm_and_si128(m, a), _mm_andnot_si128(m, b)); }
#endif

// The least of w[0 .. n) with flip 0, the greatest with flip -1 (as the
// least of the complements, whose order is the reverse).
int32_t window_extreme(const int32_t* w, int n, int32_t flip) {
  int k = 1;
  int32_t m = w[0] ^ flip;
#if defined(__SSE2__)
  if (n >= 8) {
    // Four at a time in two sets of lanes; the last four end at the
    // window's end, overlapping others.
    const __m128i f = _mm_set1_epi32(flip);
    const auto load = [&](int j) { return _mm_xor_si128(_mm_loadu_si128(reinterpret_cast<const __m128i*>(w + j)), f); };
    const auto vmin = [](__m128i a, __m128i b) { return lane_pick(_mm_cmpgt_epi32(a, b), b, a); };
    __m128i m0 = load(0), m1 = load(n - 4);
    int j = 4;
    for (; j + 4 < n - 4; j += 8) {
      m0 = vmin(m0, load(j));
      m1 = vmin(m1, load(j + 4));
    }
    if (j < n - 4) m0 = vmin(m0, load(j));
    __m128i mn = vmin(m0, m1);
    mn = vmin(mn, _mm_shuffle_epi32(mn, _MM_SHUFFLE(1, 0, 3, 2)));
    mn = vmin(mn, _mm_shuffle_epi32(mn, _MM_SHUFFLE(2, 3, 0, 1)));
    m = _mm_cvtsi128_si32(mn);
    k = n;
  }
#endif
  for (; k < n; ++k) m = std::min(m, w[k] ^ flip);
  return m ^ flip;
}

void min_max(const int32_t* w, int n, int32_t& lo, int32_t& hi) {
  lo = window_extreme(w, n, 0);
  hi = window_extreme(w, n, -1);
}

// Class i (0..18) takes the values below bound i (lo + floor(range i / 20))
// and not below the bound before it; class 19 the rest. Bound 0 is lo, so
// class 0 stays empty.
// Windows up to this range take their classes in integer or single precision.
constexpr int64_t NARROW_RANGE = 1 << 16;

void set_bounds(t_filt_stat& st, int32_t lo, int32_t hi) {
  st.lo = lo;
  st.hi = hi;
  const int64_t range = static_cast<int64_t>(hi) - lo;
  // A window of equal values: every bound is lo, all in class 19.
  st.inv_range = range > 0 ? 20.0 / static_cast<double>(range) : 20.0;
  st.lo_base = static_cast<double>(lo) - 1.0;
  if (range <= NARROW_RANGE) {
    const t_recip r = recip_of(std::max<int64_t>(range, 1));
    st.cls_mul = r.mul;
    st.cls_pre = r.pre;
  } else {
    st.cls_pre = -1;
  }
}

using t_screw_cls = std::array<int8_t, SCREW_CLS_SIZE>;

#if defined(__SSE2__)
// screw_class of four values at once.
struct t_class_lanes {
  explicit t_class_lanes(const t_filt_stat& st) : base(_mm_set1_pd(st.lo_base)), inv(_mm_set1_pd(st.inv_range)) {}
  // The classes of the two low values, in the two low lanes.
  __m128i two(__m128i v) const {
    const __m128d x = _mm_sub_pd(_mm_cvtepi32_pd(v), base);
    const __m128d t = _mm_sub_pd(_mm_mul_pd(x, inv), _mm_set1_pd(0x1p-40));
    const __m128i c = _mm_cvttpd_epi32(t);
    const __m128d up = _mm_cmpgt_pd(t, _mm_cvtepi32_pd(c));
    return _mm_sub_epi32(c, _mm_shuffle_epi32(_mm_castpd_si128(up), _MM_SHUFFLE(3, 3, 2, 0)));
  }
  __m128i four(const int32_t* p) const {
    const __m128i v = _mm_loadu_si128(reinterpret_cast<const __m128i*>(p));
    return _mm_unpacklo_epi64(two(v), two(_mm_srli_si128(v, 8)));  // up to 21: see classes_in_lanes
  }
  __m128d base, inv;
};

// The same in single precision for a window whose range is at most 2^16:
// d + 1 = v - lo + 1 is exact in a float; the product with 20 / range (both
// rounded) errs by less than 2^-23 times the quotient, which is below 40
// (below 21 from range 2^10 on), and subtracting 2^-17 by at most 2^-19
// more: the result stays within 0.875 2^-17 of the quotient less 2^-17,
// and a quotient that is not whole lies at least 1 / range from one
// (2^-16 at 2^16, far more below 2^10).
struct t_narrow_lanes {
  // d + 1 as v - (lo - 1), taken modulo 2^32 (lo may be the least int32).
  explicit t_narrow_lanes(const t_filt_stat& st)
      : lo_base(_mm_set1_epi32(static_cast<int32_t>(static_cast<uint32_t>(st.lo) - 1u))),
        inv(_mm_set1_ps(st.hi > st.lo ? 20.0f / static_cast<float>(st.hi - st.lo) : 20.0f)) {}
  __m128i four(const int32_t* p) const {
    const __m128i v = _mm_loadu_si128(reinterpret_cast<const __m128i*>(p));
    const __m128 x = _mm_cvtepi32_ps(_mm_sub_epi32(v, lo_base));
    const __m128 t = _mm_sub_ps(_mm_mul_ps(x, inv), _mm_set1_ps(0x1p-17f));
    const __m128i c = _mm_cvttps_epi32(t);
    const __m128i up = _mm_castps_si128(_mm_cmpgt_ps(t, _mm_cvtepi32_ps(c)));
    return _mm_sub_epi32(c, up);  // up to 21: see classes_in_lanes
  }
  __m128i lo_base;
  __m128 inv;
};

// The classes of ring entries 0..51, as both copies: c[k] and c[k + 50]
// for k < 52 (the spare entries from 102 on 0). A lane's quotient is up to
// 21 (a value at hi); the classes stop at 19, taken once per 16 bytes.
template <class LANES>
void classes_in_lanes(const LANES& lanes, const int32_t* w, int8_t* c) {
  static_assert(SCREW_WIN == 50 && SCREW_CLS_SIZE == 128);
  const __m128i last = _mm_set1_epi8(SCREW_CLASSES - 1);
  __m128i cls[4];
  for (int k = 0; k < 48; k += 16) {
    const __m128i lo = _mm_packs_epi32(lanes.four(w + k), lanes.four(w + k + 4));
    const __m128i hi = _mm_packs_epi32(lanes.four(w + k + 8), lanes.four(w + k + 12));
    cls[k / 16] = _mm_min_epu8(_mm_packs_epi16(lo, hi), last);
  }
  cls[3] = _mm_min_epu8(_mm_packs_epi16(_mm_packs_epi32(lanes.four(w + 48), _mm_setzero_si128()), _mm_setzero_si128()),
                        last);
  // The first copy, then the second over its end.
  _mm_storeu_si128(reinterpret_cast<__m128i*>(c + SCREW_CLS_SIZE - 16), _mm_setzero_si128());
  for (int i = 0; i < 4; ++i) _mm_storeu_si128(reinterpret_cast<__m128i*>(c + 16 * i), cls[i]);
  for (int i = 0; i < 4; ++i) _mm_storeu_si128(reinterpret_cast<__m128i*>(c + SCREW_WIN + 16 * i), cls[i]);
}
#endif

// The classes of the ring entries (both copies), under the bounds in st;
// entries beyond the newest n get some class, the spare ones too.
void classes_of(const t_filt_stat& st, t_screw_cls& cls) {
#if defined(__SSE2__)
  if (static_cast<int64_t>(st.hi) - st.lo <= NARROW_RANGE)
    classes_in_lanes(t_narrow_lanes(st), st.screw_win.data(), cls.data());
  else
    classes_in_lanes(t_class_lanes(st), st.screw_win.data(), cls.data());
#else
  int8_t c[SCREW_WIN];
  for (int k = 0; k < SCREW_WIN; ++k) c[k] = static_cast<int8_t>(screw_class(st, st.screw_win[k]));
  std::copy_n(c, SCREW_WIN, cls.begin());
  std::copy_n(c, SCREW_WIN, cls.begin() + SCREW_WIN);
  std::fill(cls.begin() + 2 * SCREW_WIN, cls.end(), int8_t{0});
#endif
}

// The keys of empty classes.
constexpr std::array<int16_t, SCREW_KEYS> EMPTY_KEYS = [] {
  std::array<int16_t, SCREW_KEYS> k{};
  for (int c = 0; c < SCREW_CLASSES; ++c) k[static_cast<size_t>(c)] = static_cast<int16_t>(class_key(c));
  return k;
}();

// Counts and sums of the classes of the newest n screw window entries, from
// their classes in st.screw_cls. They are counted in local arrays (which
// the compiler knows apart from the windows), the even and the odd entries
// apart, so that neighbouring entries of one class do not wait for each
// other; zeroed by whole registers.
void count_classes(t_filt_stat& st, int n) {
  const int32_t* w = st.screw_win.data() + st.screw_pos;
  const int8_t* cls = st.screw_cls.data() + st.screw_pos;
  alignas(16) std::array<int16_t, SCREW_KEYS> key_a, key_b;
  alignas(16) std::array<int64_t, SCREW_KEYS> sum_a, sum_b;
#if defined(__SSE2__)
  static_assert(SCREW_KEYS % 8 == 0);
  // Hidden from the optimiser, which would otherwise turn the stores into
  // a string instruction that takes longer to start than these take.
  __m128i zero = _mm_setzero_si128();
  asm("" : "+x"(zero));
  for (int c = 0; c < SCREW_KEYS; c += 8) {
    _mm_store_si128(reinterpret_cast<__m128i*>(key_a.data() + c),
                    _mm_loadu_si128(reinterpret_cast<const __m128i*>(EMPTY_KEYS.data() + c)));
    _mm_store_si128(reinterpret_cast<__m128i*>(key_b.data() + c), zero);
  }
  for (int c = 0; c < SCREW_KEYS; c += 2) {
    _mm_store_si128(reinterpret_cast<__m128i*>(sum_a.data() + c), zero);
    _mm_store_si128(reinterpret_cast<__m128i*>(sum_b.data() + c), zero);
  }
#else
  key_a = EMPTY_KEYS;
  key_b.fill(0);
  sum_a.fill(0);
  sum_b.fill(0);
#endif
  int k = 0;
  for (; k + 1 < n; k += 2) {
    const int c0 = cls[k], c1 = cls[k + 1];
    const int32_t w0 = w[k], w1 = w[k + 1];
    key_a[c0] = static_cast<int16_t>(key_a[c0] + KEY_ONE);
    sum_a[c0] += w0;
    key_b[c1] = static_cast<int16_t>(key_b[c1] + KEY_ONE);
    sum_b[c1] += w1;
  }
  if (k < n) {
    const int c0 = cls[k];
    key_a[c0] = static_cast<int16_t>(key_a[c0] + KEY_ONE);
    sum_a[c0] += w[k];
  }
  for (int c = 0; c < SCREW_KEYS; ++c) st.key[c] = static_cast<int16_t>(key_a[c] + key_b[c]);
  for (int c = 0; c < SCREW_CLASSES; ++c) st.sum[c] = sum_a[c] + sum_b[c];
}

// The classes of the newest n screw window entries from scratch.
void build_classes(t_filt_stat& st, int n) {
  int32_t lo = 0, hi = 0;
  min_max(st.screw_win.data() + st.screw_pos, n, lo, hi);
  set_bounds(st, lo, hi);
  classes_of(st, st.screw_cls);
  count_classes(st, n);
  st.screw_n = n;
}

// New bounds lo and hi for the newest n entries: every class is found and
// counted again (which costs less than moving the entries whose class
// changed, about half of them on noise, between the classes).
void regroup_classes(t_filt_stat& st, int n, int32_t lo, int32_t hi) {
  set_bounds(st, lo, hi);
  classes_of(st, st.screw_cls);
  count_classes(st, n);
}

// The class keys while a run of samples goes through the chain: in three
// registers of eight keys, so that a step's updates are not stored and
// read back at once; st.key holds them between runs and around the rare
// steps that rebuild or regroup the classes.
class t_keys {
 public:
  explicit t_keys(const t_filt_stat& st) { load(st); }
#if defined(__SSE2__)
  static_assert(SCREW_KEYS == 24 && SCREW_CLASSES <= SCREW_KEYS);
  // The three registers are named, not an array, so that they stay in
  // registers through a run.
  void load(const t_filt_stat& st) {
    const auto* k = reinterpret_cast<const __m128i*>(st.key.data());
    k0_ = _mm_loadu_si128(k);
    k1_ = _mm_loadu_si128(k + 1);
    k2_ = _mm_loadu_si128(k + 2);
  }
  void store(t_filt_stat& st) const {
    auto* k = reinterpret_cast<__m128i*>(st.key.data());
    _mm_storeu_si128(k, k0_);
    _mm_storeu_si128(k + 1, k1_);
    _mm_storeu_si128(k + 2, k2_);
  }
  // One entry leaves class `from` and one joins class `to`.
  void move(int from, int to) {
    k0_ = _mm_add_epi16(_mm_sub_epi16(k0_, one(from, 0)), one(to, 0));
    k1_ = _mm_add_epi16(_mm_sub_epi16(k1_, one(from, 1)), one(to, 1));
    k2_ = _mm_add_epi16(_mm_sub_epi16(k2_, one(from, 2)), one(to, 2));
  }
  int top() const {
    __m128i m = _mm_max_epi16(_mm_max_epi16(k0_, k1_), k2_);
    m = _mm_max_epi16(m, _mm_shuffle_epi32(m, _MM_SHUFFLE(1, 0, 3, 2)));
    m = _mm_max_epi16(m, _mm_shuffle_epi32(m, _MM_SHUFFLE(2, 3, 0, 1)));
    m = _mm_max_epi16(m, _mm_shufflelo_epi16(m, _MM_SHUFFLE(2, 3, 0, 1)));
    return _mm_extract_epi16(m, 0);
  }

 private:
  // KEY_ONE in the key of class c, eight keys from 8 i on.
  static __m128i one(int c, int i) {
    return _mm_load_si128(reinterpret_cast<const __m128i*>(ONES.data() + SCREW_KEYS * (SCREW_KEYS - 1 - c) + 8 * i));
  }
  // Rows of KEY_ONE at one place: ONES[SCREW_KEYS (SCREW_KEYS - 1 - c) + j]
  // is KEY_ONE where j == c.
  alignas(16) static constexpr std::array<int16_t, SCREW_KEYS*(2 * SCREW_KEYS - 1)> ONES = [] {
    std::array<int16_t, SCREW_KEYS*(2 * SCREW_KEYS - 1)> t{};
    for (int c = 0; c < SCREW_KEYS; ++c) t[static_cast<size_t>(SCREW_KEYS * (SCREW_KEYS - 1 - c) + c)] = KEY_ONE;
    return t;
  }();
  __m128i k0_, k1_, k2_;
#else
  void load(const t_filt_stat& st) { k_ = st.key; }
  void store(t_filt_stat& st) const { st.key = k_; }
  void move(int from, int to) {
    k_[from] = static_cast<int16_t>(k_[from] - KEY_ONE);
    k_[to] = static_cast<int16_t>(k_[to] + KEY_ONE);
  }
  int top() const { return *std::max_element(k_.begin(), k_.begin() + SCREW_CLASSES); }

 private:
  std::array<int16_t, SCREW_KEYS> k_;
#endif
};

// The mean of the fullest class, top being the largest key, truncated
// toward zero as an integer division would: the sum (below 50 times 2^31 in
// magnitude) and the count are exact in doubles, and their quotient,
// rounded to within 2^-16, stays on the same side of a whole number, from
// which it lies at least 1 / 50 unless it is one.
[[gnu::always_inline]] inline int32_t fullest_class_mean(const t_filt_stat& st, int top_key) {
  const auto top = static_cast<uint32_t>(top_key);
  const int best = class_key(0) - static_cast<int>(top % KEY_ONE);
  return static_cast<int32_t>(static_cast<double>(st.sum[best]) / static_cast<double>(top / KEY_ONE));
}

template <size_t N>
void ring_push(std::array<int32_t, N>& win, int32_t& pos, int32_t v) {
  constexpr int half = static_cast<int>(N / 2);
  pos = pos == 0 ? half - 1 : pos - 1;
  win[pos] = v;
  win[pos + half] = v;
}

// The sorted median window through a stretch of samples, in registers.
// After one entry `out` leaves and v joins: lanes below out's first copy
// keep their entry, the others take the next one; then with r the result,
// lane k takes max(r[k - 1], min(r[k], v)), which is r[k] below v's place,
// v at it and r[k - 1] above it.
class t_med_lanes {
 public:
#if defined(__SSE2__)
  static_assert(MED_SORTED == 12);
  explicit t_med_lanes(const int32_t* s) {
    for (int i = 0; i < 3; ++i) s_[i] = _mm_load_si128(reinterpret_cast<const __m128i*>(s + 4 * i));
  }
  void store(int32_t* s) const {
    for (int i = 0; i < 3; ++i) _mm_store_si128(reinterpret_cast<__m128i*>(s + 4 * i), s_[i]);
  }
  void replace(int32_t out, int32_t v) {
    // Lane k of a and lane 0 of b moved one lane down, or one lane up.
    const auto down = [](__m128i a, __m128i b) { return _mm_or_si128(_mm_srli_si128(a, 4), _mm_slli_si128(b, 12)); };
    const auto up = [](__m128i a, __m128i b) { return _mm_or_si128(_mm_slli_si128(a, 4), _mm_srli_si128(b, 12)); };
    const __m128i o = _mm_set1_epi32(out);
    const __m128i r0 = lane_pick(_mm_cmpgt_epi32(o, s_[0]), s_[0], down(s_[0], s_[1]));
    const __m128i r1 = lane_pick(_mm_cmpgt_epi32(o, s_[1]), s_[1], down(s_[1], s_[2]));
    const __m128i r2 = lane_pick(_mm_cmpgt_epi32(o, s_[2]), s_[2], down(s_[2], _mm_set1_epi32(INT32_MAX)));
    const __m128i x = _mm_set1_epi32(v);
    const auto place = [&](__m128i r, __m128i before) {
      const __m128i lo = lane_pick(_mm_cmpgt_epi32(r, x), x, r);  // min(r, v)
      return lane_pick(_mm_cmpgt_epi32(lo, before), lo, before);  // max
    };
    s_[0] = place(r0, up(r0, _mm_set1_epi32(INT32_MIN)));
    s_[1] = place(r1, up(r1, r0));
    s_[2] = place(r2, up(r2, r1));
  }
  // Entry m < 8.
  int32_t at(int m) const {
    alignas(16) int32_t t[4];
    _mm_store_si128(reinterpret_cast<__m128i*>(t), m < 4 ? s_[0] : s_[1]);
    return t[m % 4];
  }

 private:
  __m128i s_[3];
#else
  explicit t_med_lanes(const int32_t* s) { std::copy_n(s, MED_SORTED, s_.begin()); }
  void store(int32_t* s) const { std::copy_n(s_.begin(), MED_SORTED, s); }
  void replace(int32_t out, int32_t v) {
    std::array<int32_t, MED_SORTED> r;
    for (int k = 0; k < MED_SORTED; ++k) r[k] = s_[k] < out ? s_[k] : (k + 1 < MED_SORTED ? s_[k + 1] : INT32_MAX);
    for (int k = 0; k < MED_SORTED; ++k) s_[k] = std::max(k > 0 ? r[k - 1] : INT32_MIN, std::min(r[k], v));
  }
  int32_t at(int m) const { return s_[m]; }

 private:
  std::array<int32_t, MED_SORTED> s_;
#endif
};

// What a run keeps in registers: the class keys and the sorted median
// window. Around a call (the rare steps: a rebuilt window, new bounds, a
// new decoding table) they are parked in the state, so that the compiler
// need not keep them in memory through the whole run.
struct t_run_regs {
  explicit t_run_regs(const t_filt_stat& st) : keys(st), sorted(st.med_sorted.data()) {}
  void park(t_filt_stat& st) const {
    keys.store(st);
    sorted.store(st.med_sorted.data());
  }
  void unpark(const t_filt_stat& st) {
    keys.load(st);
    sorted = t_med_lanes(st.med_sorted.data());
  }
  t_keys keys;
  t_med_lanes sorted;
};

[[gnu::always_inline]] inline int32_t median_step(t_filt_stat& st, t_run_regs& regs, int m, int32_t v) {
  const int n = 2 * m + 1;
  if (st.med_n != n) {
    regs.park(st);
    int32_t* s = st.med_sorted.data();
    std::copy_n(st.med_win.begin() + st.med_pos, n, s);
    std::sort(s, s + n);
    std::fill(s + n, s + MED_SORTED, INT32_MAX);
    st.med_n = n;
    regs.unpark(st);
  }
  const int32_t out = st.med_win[st.med_pos + n - 1];  // leaves the newest n
  ring_push(st.med_win, st.med_pos, v);
  regs.sorted.replace(out, v);
  return regs.sorted.at(m);
}

[[gnu::always_inline]] inline int32_t screw_step(t_filt_stat& st, t_run_regs& regs, int n, int32_t v) {
  const int at_out = st.screw_pos + n - 1;  // leaves the newest n
  const int32_t out = st.screw_win[at_out];
  const int out_c = st.screw_cls[at_out];
  ring_push(st.screw_win, st.screw_pos, v);
  if (st.screw_n != n) {
    regs.park(st);
    build_classes(st, n);
    regs.unpark(st);
    return fullest_class_mean(st, regs.keys.top());
  }
  st.sum[out_c] -= out;
  if ((v < st.lo) | (v > st.hi) | (out == st.lo) | (out == st.hi)) {
    // The new entry may be the new minimum or maximum; the window is
    // looked through only when one of them leaves.
    int32_t lo = std::min(st.lo, v), hi = std::max(st.hi, v);
    const bool scan = (out == st.lo && v > st.lo) || (out == st.hi && v < st.hi);
    if (scan || lo != st.lo || hi != st.hi) {
      regs.park(st);
      // Only the side that lost its entry: both at once would need
      // lo == hi, but v lies beside them.
      if (scan && out == st.lo && v > st.lo)
        lo = window_extreme(st.screw_win.data() + st.screw_pos, n, 0);
      else if (scan)
        hi = window_extreme(st.screw_win.data() + st.screw_pos, n, -1);
      const bool moved = lo != st.lo || hi != st.hi;
      if (moved) regroup_classes(st, n, lo, hi);
      regs.unpark(st);
      if (moved) return fullest_class_mean(st, regs.keys.top());
    }
  }
  const int c = screw_class(st, v);
  regs.keys.move(out_c, c);
  st.sum[c] += v;
  st.screw_cls[st.screw_pos] = static_cast<int8_t>(c);
  st.screw_cls[st.screw_pos + SCREW_WIN] = static_cast<int8_t>(c);
  return fullest_class_mean(st, regs.keys.top());
}

void restart_chain(t_filt_stat& st, int32_t v) {
  st.med_win.fill(v);
  st.screw_win.fill(v);
  st.med_n = 0;
  st.screw_n = 0;
}

// One step; a stage whose flag is false is off whatever p says (runs of
// samples take the loop made for their stages).
template <bool MED, bool SCREW, bool PT>
[[gnu::always_inline]] inline uint32_t chain_step(uint32_t x, const t_filt_par& p, t_filt_stat& st, t_run_regs& regs) {
  if (x == NO_VALUE) {
    st.reset = true;
    return x;
  }
  auto v = static_cast<int32_t>(x);
  if (st.reset) restart_chain(st, v);
  if (MED && p.med_m > 0) v = median_step(st, regs, p.med_m, v);
  if (SCREW && p.screw_n > 0) v = screw_step(st, regs, p.screw_n, v);
  if (PT && p.pt_n > 0) {
    if (st.pt_n != p.pt_n) {
      set_pt_len(st, p.pt_n);
      st.q = st.acc / p.pt_n;
    }
    if (st.reset) {
      st.acc = static_cast<int64_t>(v) * p.pt_n;
      st.q = v;
    } else {
      st.acc = st.acc - st.q + v;
      st.q = pt_div(st, st.acc);
      v = static_cast<int32_t>(st.q);
    }
  }
  st.reset = false;
  return static_cast<uint32_t>(v);
}

using t_raw_ring = decltype(t_dev_stat::smp_raw);

template <bool MED, bool SCREW, bool PT>
void filter_run(const t_raw_ring& ring, int start, int end, const t_filt_par& p, t_filt_row& row) {
  raw_decoder decode;
  t_run_regs regs(row.state);
  for (int i = start; i <= end; ++i) {
    const uint32_t word = ring[i].load(rlx);
    if (decode.stale(word)) {
      regs.park(row.state);
      decode.refresh(word);
      regs.unpark(row.state);
    }
    row.filt[i] = chain_step<MED, SCREW, PT>(static_cast<uint32_t>(decode(word)), p, row.state, regs);
  }
  regs.park(row.state);
}

// The channel of live slot `slot`, when it is a raw channel of an active device.
const t_dsp_chan* filtered_chan(int slot) {
  const t_dsp_chan& ch = common_setup.dsp_chan_live[slot];
  if (!ch.active || ch.meas_mode != MEAS_RAW) return nullptr;
  if (ch.dev_idx < 0 || ch.dev_idx >= MAX_DEVICES) return nullptr;
  if (!common_setup.dev_conn[ch.dev_idx].active.load(rlx)) return nullptr;
  return &ch;
}

void filter_range(t_filt_row& row, const t_dsp_chan& ch, int start, int end) {
  const auto& ring = m_stat.dev_stat[ch.dev_idx].smp_raw;
  const t_filt_par p = filt_par(ch.filt_med, ch.filt_pt, ch.filt_screw);
  end = std::min(end, FILT_ROW_SIZE - 2);
  start = std::max(start, 0);
  using t_run = void (*)(const t_raw_ring&, int, int, const t_filt_par&, t_filt_row&);
  static constexpr t_run RUNS[8] = {filter_run<false, false, false>, filter_run<true, false, false>,
                                    filter_run<false, true, false>,  filter_run<true, true, false>,
                                    filter_run<false, false, true>,  filter_run<true, false, true>,
                                    filter_run<false, true, true>,   filter_run<true, true, true>};
  RUNS[(p.med_m > 0 ? 1 : 0) | (p.screw_n > 0 ? 2 : 0) | (p.pt_n > 0 ? 4 : 0)](ring, start, end, p, row);
  row.dirty = std::max(row.dirty, end);
}

// A row filtered again from the start: what lies beyond `last` is cleared
// by trim_row once the rebuild is through (readers never look beyond last).
void clear_row(t_filt_row& row) {
  row.state.reset = true;
  row.last = -1;
}

// Nothing beyond `last`.
void trim_row(t_filt_row& row) {
  if (row.dirty > row.last) std::fill(row.filt.begin() + row.last + 1, row.filt.begin() + row.dirty + 1, NO_VALUE);
  row.dirty = row.last;
}

// The newest index a queued rebuild of a device goes to.
int32_t goal_idx(const t_dsp_chan& ch, int32_t goal) {
  const t_dev_stat& d = m_stat.dev_stat[ch.dev_idx];
  return goal == REFILTER_LOADED ? d.last_arch_idx.load(rlx) : d.last_saved_idx.load(std::memory_order_acquire);
}

// Up to per_row samples of a queued rebuild; true when it reached its goal.
bool step_row(int slot, int per_row) {
  t_filt_row& row = rows()[slot];
  const t_dsp_chan* ch = filtered_chan(slot);
  if (!ch) {
    trim_row(row);
    return true;
  }
  const int32_t end = std::min(goal_idx(*ch, row.queued), SLOTS_PER_DAY);
  if (end <= row.last) {  // a new day under way: the next restart queues it again
    row.last = end;
    trim_row(row);
    return true;
  }
  const int32_t stop = static_cast<int32_t>(std::min<int64_t>(end, static_cast<int64_t>(row.last) + per_row));
  filter_range(row, *ch, row.last + 1, stop);
  row.last = stop;
  if (stop != end) return false;
  trim_row(row);
  return true;
}

}  // namespace

int32_t screw_of(const t_filt_stat& st, int n) {
  t_filt_stat s = st;
  build_classes(s, std::clamp(n, 1, SCREW_WIN));
  return fullest_class_mean(s, t_keys(s).top());
}

uint32_t filter_sample(uint32_t x, int32_t med, uint16_t pt, t_filt_stat& st, uint16_t screw) {
  t_run_regs regs(st);
  const uint32_t y = chain_step<true, true, true>(x, filt_par(med, pt, screw), st, regs);
  regs.park(st);
  return y;
}

t_filt_row& filt_row(int slot) { return rows()[slot]; }

void swap_filt_rows(int a, int b) {
  t_filt_row& ra = rows()[a];
  t_filt_row& rb = rows()[b];
  std::swap_ranges(ra.filt.begin(), ra.filt.end(), rb.filt.begin());
  std::swap(ra.state, rb.state);
  std::swap(ra.last, rb.last);
  std::swap(ra.dirty, rb.dirty);
  std::swap(ra.queued, rb.queued);
}

void refilter_chan(int slot, bool restart) {
  t_filt_row& row = rows()[slot];
  if (row.queued) {
    if (restart) queue_refilter(slot, REFILTER_NEWEST);
    return;
  }
  const t_dsp_chan* ch = filtered_chan(slot);
  if (!ch) return;
  if (restart) clear_row(row);
  const int start = row.last + 1;
  const int end = m_stat.dev_stat[ch->dev_idx].last_saved_idx.load(std::memory_order_acquire);
  filter_range(row, *ch, start, end);
  row.last = std::min(end, SLOTS_PER_DAY);
  if (restart) trim_row(row);
}

void refilter_after_load(int slot) {
  queue_refilter(slot, REFILTER_LOADED);
  while (rows()[slot].queued && !step_row(slot, FILT_ROW_SIZE)) {}
  rows()[slot].queued = 0;
}

void queue_refilter(int slot, refilter_goal_t goal) {
  t_filt_row& row = rows()[slot];
  const bool filtered = filtered_chan(slot) != nullptr;
  row.queued = 0;
  if (!filtered && goal != REFILTER_LOADED) return;
  clear_row(row);
  if (filtered)
    row.queued = goal;
  else
    trim_row(row);
}

bool refilter_step(int per_row) {
  bool left = false;
  for (int s = 0; s < MAX_CHANNELS; ++s) {
    t_filt_row& row = rows()[s];
    if (!row.queued) continue;
    if (step_row(s, per_row))
      row.queued = 0;
    else
      left = true;
  }
  return left;
}

bool refilter_pending(int slot) {
  if (slot >= 0) return slot < MAX_CHANNELS && rows()[slot].queued != 0;
  return std::any_of(rows().begin(), rows().end(), [](const t_filt_row& r) { return r.queued != 0; });
}

void finish_refilter() {
  while (refilter_step(FILT_ROW_SIZE)) {}
}

void reset_filt_rows() {
  for (auto& r : rows()) {
    r.filt.fill(NO_VALUE);
    r.state = t_filt_stat{};
    r.state.reset = true;
    r.last = -1;
    r.dirty = -1;
    r.queued = 0;
  }
}
