// Flow-duration curves of the observed and the simulated series, and the three
// segment measures read off them: how well a simulation reproduces the
// distribution of flows, floods to droughts, whatever their timing.
#include "twinser.h"

#include <algorithm>
#include <array>
#include <bit>
#include <cmath>
#include <cstring>
#include <functional>
#include <span>

namespace twinser {

// ------------------------------------------------------------ the curves
//
// Over the multi-year row's lines of a flow or depth series: both values
// present and not negative (both_non_negative). Each series is sorted on its
// own, largest first; the i-th largest of n values (i from 1) is exceeded
// with the probability given by the Weibull plotting position
//   p_i = i / (n + 1)
// so no value is given probability 0 or 1. A temperature series has no
// duration curve.
//
// The curve at an exceedance probability p (a fraction) is read by linear
// interpolation in p between the two neighbouring plotting positions: with
// x = p (n + 1), i = floor(x),
//   q(p) = q_i + (x - i) (q_(i+1) - q_i)
// Before the first position (p <= 1 / (n + 1)) the curve holds the largest
// value, after the last (p >= n / (n + 1)) the smallest: a record of n values
// says nothing beyond them.

double curve_value(std::span<const double> descending, double percent) {
  const std::size_t n = descending.size();
  if (n == 0) return NAN_VALUE;
  const double x = percent / 100 * static_cast<double>(n + 1);
  if (x <= 1) return descending.front();
  if (x >= static_cast<double>(n)) return descending.back();
  const std::size_t i = static_cast<std::size_t>(x); // 1 .. n - 1
  const double frac = x - static_cast<double>(i);
  return descending[i - 1] + frac * (descending[i] - descending[i - 1]);
}

// The fixed probabilities the curve is recorded at, in percent, each a whole
// number of hundredths: every 0.01 % up to 1 % and from 99 % on, every 0.5 %
// between, so the floods and the droughts, where a curve bends most, get as
// many points as the whole middle. 100 + 195 + 100 = 395 points.
std::vector<double> exceedance_grid() {
  std::vector<double> grid;
  for (int k = 1; k <= 100; ++k) grid.push_back(k / 100.0);
  for (int k = 150; k <= 9850; k += 50) grid.push_back(k / 100.0);
  for (int k = 9900; k <= 9999; ++k) grid.push_back(k / 100.0);
  return grid;
}

// ---------------------------------------------------- the segment measures
//
// Yilmaz, Gupta and Wagener (2008), A process-based diagnostic approach to
// model evaluation, Water Resources Research 44, W09417. O_i and S_i are the
// i-th largest observed and simulated values; a rank belongs to a segment by
// its plotting position p_i = i / (n + 1), with the segment's bounds (in
// percent) kept in the record beside the value.
//
// A rank is in [from, to) for the high and in [from, to] for the low segment.
// Logarithms are natural ones (the measures are ratios of log differences, so
// the base cancels).

// The ranks i (from 1) of n values whose plotting positions lie at or above
// `from` and below (or at, when `closed`) `to`, both in percent: first..last,
// none when first > last. Compared as 100 i against bound (n + 1), exact for
// whole-number bounds. Each comparison holds for every rank from some rank on
// (the lower bound) or up to some rank (the upper one), so both ends are
// found by bisection.
namespace {
struct rank_range {
  std::size_t first = 1, last = 0;
  std::size_t count() const { return first <= last ? last - first + 1 : 0; }
};
} // namespace

static rank_range segment_ranks(std::size_t n, double from, double to, bool closed) {
  const double m = static_cast<double>(n + 1);
  const auto at = [](std::size_t i) { return 100.0 * static_cast<double>(i); };
  const auto first_rank_where = [n](auto holds) { // in 1 .. n + 1
    std::size_t lo = 1, hi = n + 1;
    while (lo < hi) {
      const std::size_t mid = lo + (hi - lo) / 2;
      if (holds(mid)) hi = mid;
      else lo = mid + 1;
    }
    return lo;
  };
  const std::size_t first = first_rank_where([&](std::size_t i) { return at(i) >= from * m; });
  const std::size_t past =
      first_rank_where([&](std::size_t i) { return closed ? !(at(i) <= to * m) : !(at(i) < to * m); });
  return {first, past - 1};
}

// High-flow volume bias (FHV), in percent, over the ranks h of the segment
// 0 to 2 % exceedance:
//   FHV = 100 * sum_h (S_h - O_h) / sum_h O_h
// Positive when the simulated floods carry too much water. No rank in the
// segment (fewer than 50 lines for 2 %) or an observed volume of zero gives
// no value, with its reason. `obs_high` and `sim_high` are the values of the
// segment's ranks of each curve, largest first.
static curve_segment high_volume(std::span<const double> obs_high, std::span<const double> sim_high,
                                 double from_percent, double to_percent) {
  curve_segment seg{from_percent, to_percent, NAN_VALUE, ""};
  double so = 0, sd = 0;
  for (std::size_t k = 0; k < obs_high.size(); ++k) {
    so += obs_high[k];
    sd += sim_high[k] - obs_high[k];
  }
  if (obs_high.empty())
    seg.reason = "no value in the segment: too few lines";
  else if (!(so > 0))
    seg.reason = "the observed volume of the segment is zero";
  else
    seg.value = 100 * sd / so;
  return seg;
}

curve_segment high_volume_bias(std::span<const double> obs_desc, std::span<const double> sim_desc,
                               double from_percent, double to_percent) {
  const rank_range r = segment_ranks(obs_desc.size(), from_percent, to_percent, false);
  return high_volume(obs_desc.subspan(r.first - 1, r.count()), sim_desc.subspan(r.first - 1, r.count()),
                     from_percent, to_percent);
}

// Mid-segment slope bias (FMS), in percent, between the curve values at the
// two bounds m1 = 20 % and m2 = 70 % (read off each curve as above):
//   FMS = 100 * ((ln S_m1 - ln S_m2) - (ln O_m1 - ln O_m2)) / (ln O_m1 - ln O_m2)
// Positive when the simulated curve falls more steeply (a flashier
// response). A zero value at a bound has no logarithm, and an observed curve
// flat between the bounds gives a zero denominator: no value, with the reason.
static curve_segment mid_slope(double from_percent, double to_percent, double o1, double o2, double s1,
                               double s2) {
  curve_segment seg{from_percent, to_percent, NAN_VALUE, ""};
  if (!(o1 > 0 && o2 > 0 && s1 > 0 && s2 > 0)) {
    seg.reason = "a zero value at a bound of the segment has no logarithm";
    return seg;
  }
  const double obs_slope = std::log(o1) - std::log(o2);
  const double sim_slope = std::log(s1) - std::log(s2);
  if (obs_slope == 0)
    seg.reason = "the observed curve is flat in the segment";
  else
    seg.value = 100 * (sim_slope - obs_slope) / obs_slope;
  return seg;
}

curve_segment mid_slope_bias(std::span<const double> obs_desc, std::span<const double> sim_desc,
                             double from_percent, double to_percent) {
  if (obs_desc.empty()) return {from_percent, to_percent, NAN_VALUE, "no lines"};
  return mid_slope(from_percent, to_percent, curve_value(obs_desc, from_percent),
                   curve_value(obs_desc, to_percent), curve_value(sim_desc, from_percent),
                   curve_value(sim_desc, to_percent));
}

// Low-flow volume bias (FLV), in percent, over the ranks l of the segment
// 70 to 100 % exceedance, on log values measured up from the segment's
// smallest value L of each curve:
//   FLV = -100 * (sum_l (ln S_l - ln S_L) - sum_l (ln O_l - ln O_L))
//                / sum_l (ln O_l - ln O_L)
// (the sign as in the paper: positive when the simulated low flows span less
// of the log scale than the observed ones). A zero value in the segment has
// no logarithm; no rank, or an observed segment that is flat (one value
// among them) gives a zero denominator: no value, with the reason.
namespace {
// What one curve gives the low-flow volume bias.
struct low_part {
  bool any = false;     // the segment has ranks
  double smallest = 0;  // L, the value of its last rank
  double log_sum = 0;   // sum_l (ln q_l - ln L) in rank order; 0 unless L > 0
};
} // namespace

static low_part low_part_of(std::span<const double> desc, double from_percent, double to_percent) {
  const rank_range r = segment_ranks(desc.size(), from_percent, to_percent, true);
  low_part p;
  if (r.count() == 0) return p;
  p.any = true;
  p.smallest = desc[r.last - 1];
  if (!(p.smallest > 0)) return p;
  const double lo = std::log(p.smallest);
  // gauged values carry a few significant digits, so the low flows repeat
  // and lie together on the curve: a value like the one before it has its
  // logarithm already
  double before = desc[r.first - 1], log_before = std::log(before);
  for (std::size_t i = r.first; i <= r.last; ++i) {
    const double q = desc[i - 1];
    if (q != before) {
      before = q;
      log_before = std::log(q);
    }
    p.log_sum += log_before - lo;
  }
  return p;
}

static curve_segment low_volume(double from_percent, double to_percent, const low_part& o,
                                const low_part& s) {
  curve_segment seg{from_percent, to_percent, NAN_VALUE, ""};
  if (!o.any)
    seg.reason = "no value in the segment: too few lines";
  else if (!(o.smallest > 0 && s.smallest > 0))
    seg.reason = "a zero value in the segment has no logarithm";
  else if (o.log_sum == 0)
    seg.reason = "the observed curve is flat in the segment";
  else
    seg.value = -100 * (s.log_sum - o.log_sum) / o.log_sum;
  return seg;
}

curve_segment low_volume_bias(std::span<const double> obs_desc, std::span<const double> sim_desc,
                              double from_percent, double to_percent) {
  return low_volume(from_percent, to_percent, low_part_of(obs_desc, from_percent, to_percent),
                    low_part_of(sim_desc, from_percent, to_percent));
}

// ------------------------------------------------------------- the sort
//
// A century of hourly lines is close to a million values a series: a radix
// sort on the bits of the doubles takes a few milliseconds where a comparison
// sort takes tens. Values here are never negative, and a double that is not
// negative orders as its bit pattern read as an unsigned integer; a -0 was
// made +0 when the values were gathered, so every zero sorts alike. The key
// of a value is that pattern complemented, so that ascending keys are
// descending values.
//
// Most significant digit first, in place: the values of the lines taking
// part are scattered straight from the store into the buckets of a leading
// digit, and each bucket is then sorted where it lies, on the next digit,
// and so on. No second array as long as the series is needed: on the
// machines the tool runs on, clearing fresh pages for the kernel costs more
// than the sort. A digit starts at the highest bit in which the keys of its
// bucket differ (a flow series spans a few octaves, so its leading bits are
// all alike), and is as wide as the bucket is large, 2^bits about an eighth
// of its values, up to 11 bits (2,048 counters, which stay in the cache): a
// small bucket does not pay for thousands of counters. Buckets of fewer than
// 32 values are finished by insertion, and a bucket of equal values is done.

namespace {

using sort_key = std::uint64_t;

sort_key key_of(double v) { return ~std::bit_cast<sort_key>(v); }

constexpr int MAX_DIGIT_BITS = 11;
constexpr std::size_t INSERTION_BELOW = 32;
using bucket_counts = std::array<std::uint32_t, std::size_t{1} << MAX_DIGIT_BITS>;

// The digit that sorts `count` keys differing in the bits `differ`.
struct digit {
  int shift = 0;         // of its lowest bit
  sort_key mask = 0;     // of its bits, once shifted down
  std::size_t buckets = 1;
  std::size_t of(double v) const { return static_cast<std::size_t>((key_of(v) >> shift) & mask); }
};

digit leading_digit(sort_key differ, std::size_t count) {
  if (differ == 0) return {}; // all alike: one bucket
  const int top = std::bit_width(differ);  // bits up to and with the highest that differs
  const int wanted = std::max(1, static_cast<int>(std::bit_width(count)) - 3); // 2^bits ~ count / 8
  const int bits = std::min({MAX_DIGIT_BITS, top, wanted});
  const std::size_t buckets = std::size_t{1} << bits;
  return {top - bits, buckets - 1, buckets};
}

// Bucket starts from counts: counts[b] becomes the first place of bucket b.
void starts_from_counts(bucket_counts& counts, std::size_t buckets) {
  std::uint32_t at = 0;
  for (std::size_t b = 0; b < buckets; ++b) {
    const std::uint32_t here = counts[b];
    counts[b] = at;
    at += here;
  }
}

void sort_bucket(double* a, std::size_t n);
struct ranks_read;

// Sorts each bucket of a digit in place; `end[b]` is one past bucket b.
void sort_buckets(double* a, const bucket_counts& end, std::size_t buckets) {
  std::size_t start = 0;
  for (std::size_t b = 0; b < buckets; ++b) {
    if (end[b] - start > 1) sort_bucket(a + start, end[b] - start);
    start = end[b];
  }
}

// Sorts a[0..n) largest first, in place.
void sort_bucket(double* a, std::size_t n) {
  if (n < INSERTION_BELOW) {
    for (std::size_t i = 1; i < n; ++i) {
      const double v = a[i];
      std::size_t j = i;
      for (; j > 0 && a[j - 1] < v; --j) a[j] = a[j - 1];
      a[j] = v;
    }
    return;
  }
  sort_key any = 0, all = ~sort_key{0};
  for (std::size_t i = 0; i < n; ++i) {
    any |= key_of(a[i]);
    all &= key_of(a[i]);
  }
  if (any == all) return; // equal values
  const digit d = leading_digit(any ^ all, n);
  bucket_counts next, end; // only the digit's buckets are used
  std::fill_n(next.begin(), d.buckets, 0);
  for (std::size_t i = 0; i < n; ++i) ++next[d.of(a[i])];
  starts_from_counts(next, d.buckets);
  for (std::size_t b = 0; b < d.buckets; ++b) end[b] = b + 1 < d.buckets ? next[b + 1] : n;
  // each value is moved straight to the next free place of its bucket, and
  // the value it displaces goes on from there, until one belongs here
  for (std::size_t b = 0; b < d.buckets; ++b)
    while (next[b] < end[b]) {
      double v = a[next[b]];
      for (std::size_t to = d.of(v); to != b; to = d.of(v)) std::swap(v, a[next[to]++]);
      a[next[b]++] = v;
    }
  sort_buckets(a, end, d.buckets);
}

// The values of the duration curve, drawn from the store: which lines take
// part (both values present and not negative), how many, and for each
// series the bits in which its keys differ, found in one pass over the store;
// then, in a second pass, how many values of each series fall in each bucket
// of its leading digit.
struct curve_values {
  const double* obs;
  const double* sim;
  int lines;
  std::size_t n = 0;
  digit leading[2];          // of the observed and the simulated values
  bucket_counts counts[2]{}; // values in each bucket of the leading digit

  curve_values(const double* o, const double* s, int l) : obs(o), sim(s), lines(l) {
    // in locals, which stay in registers, rather than in members
    sort_key any_o = 0, all_o = ~sort_key{0}, any_s = 0, all_s = ~sort_key{0};
    std::size_t taking_part = 0;
    for (int i = 0; i < lines; ++i)
      if (both_non_negative(obs[i], sim[i])) {
        const sort_key ko = key_of(obs[i] + 0.0), ks = key_of(sim[i] + 0.0);
        any_o |= ko;
        all_o &= ko;
        any_s |= ks;
        all_s &= ks;
        ++taking_part;
      }
    n = taking_part;
    leading[0] = leading_digit(any_o ^ all_o, n);
    leading[1] = leading_digit(any_s ^ all_s, n);
    // Neighbouring lines of a series mostly fall in one bucket: each run of
    // them is counted in a register and added once, rather than each value
    // waiting on the store of the one before it to the same counter.
    std::size_t at[2] = {0, 0};    // the bucket of each series' run under way
    std::uint32_t run[2] = {0, 0}; // its values so far
    const auto count = [&](int k, std::size_t b) {
      if (b != at[k]) {
        counts[k][at[k]] += run[k];
        at[k] = b;
        run[k] = 0;
      }
      ++run[k];
    };
    for (int i = 0; i < lines; ++i)
      if (both_non_negative(obs[i], sim[i])) {
        count(0, leading[0].of(obs[i] + 0.0));
        count(1, leading[1].of(sim[i] + 0.0));
      }
    for (int k = 0; k < 2; ++k) counts[k][at[k]] += run[k];
  }

  // The values of one series (0 observed, 1 simulated) of the lines taking
  // part into desc[0..n), largest first at every rank in `read` (see
  // ranks_read); desc[n] takes the values no read rank needs, and the other
  // ranks are left unset.
  void sort_into(int series, double* desc, const ranks_read& read) const;
};

// The ranks of a curve (from 0) that the record reads: stretches that must
// lie in order, the high and low segments, whose values are summed rank by
// rank, and single places that must hold the value a full sort puts there,
// the two neighbours curve_value reads at each probability of the grid and
// at the bounds of the mid segment. A bucket of the leading digit holding
// none of them is not filled at all, and one holding only places gets them
// by selection: a third of the values or more need no sort at all.
struct ranks_read {
  std::vector<std::pair<std::size_t, std::size_t>> stretches; // [first, past), ascending
  std::vector<std::size_t> places;                            // ascending, each once

  ranks_read(const duration_curve_record& r, std::size_t n) {
    for (const rank_range s : {segment_ranks(n, r.high_volume.from_percent, r.high_volume.to_percent, false),
                               segment_ranks(n, r.low_volume.from_percent, r.low_volume.to_percent, true)})
      if (s.count() > 0) stretches.emplace_back(s.first - 1, s.last);
    std::sort(stretches.begin(), stretches.end());
    const auto read_at = [&](double percent) { // the places curve_value reads, as it finds them
      const double x = percent / 100 * static_cast<double>(n + 1);
      if (x <= 1) {
        places.push_back(0);
      } else if (x >= static_cast<double>(n)) {
        places.push_back(n - 1);
      } else {
        const std::size_t i = static_cast<std::size_t>(x);
        places.push_back(i - 1);
        places.push_back(i);
      }
    };
    for (double p : r.exceedance_percent) read_at(p);
    read_at(r.mid_slope.from_percent);
    read_at(r.mid_slope.to_percent);
    std::sort(places.begin(), places.end());
    places.erase(std::unique(places.begin(), places.end()), places.end());
  }

  bool stretch_within(std::size_t first, std::size_t past) const {
    for (const auto& [a, b] : stretches)
      if (a < past && first < b) return true;
    return false;
  }
};

void curve_values::sort_into(int series, double* desc, const ranks_read& read) const {
  const double* values = series == 0 ? obs : sim;
  const digit& d = leading[series];
  bucket_counts start = counts[series];
  starts_from_counts(start, d.buckets);
  const auto end_of = [&](std::size_t b) { return b + 1 < d.buckets ? start[b + 1] : n; };
  // A bucket holding no rank the record reads is not filled: its values go
  // to the place past the last, over and over (about half the values of a
  // long record, whose middle the grid reads only every half per cent).
  bucket_counts next{}, step{};
  {
    auto place = read.places.begin();
    for (std::size_t b = 0; b < d.buckets; ++b) {
      const std::size_t end = end_of(b);
      while (place != read.places.end() && *place < start[b]) ++place;
      const bool is_read = (place != read.places.end() && *place < end) || read.stretch_within(start[b], end);
      next[b] = is_read ? start[b] : static_cast<std::uint32_t>(n);
      step[b] = is_read ? 1 : 0;
    }
  }
  // a run of lines in one bucket keeps its place in a register (see the counts)
  std::size_t bucket = 0;
  std::uint32_t at = next[0], by = step[0];
  for (int i = 0; i < lines; ++i)
    if (both_non_negative(obs[i], sim[i])) {
      const double v = values[i] + 0.0; // -0 made +0
      const std::size_t b = d.of(v);
      if (b != bucket) {
        next[bucket] = at;
        bucket = b;
        at = next[b];
        by = step[b];
      }
      desc[at] = v;
      at += by;
    }
  auto place = read.places.begin();
  for (std::size_t b = 0; b < d.buckets; ++b) {
    const std::size_t begin = start[b], end = end_of(b);
    if (step[b] != 0 && end - begin > 1) {
      if (read.stretch_within(begin, end)) {
        sort_bucket(desc + begin, end - begin);
      } else {
        std::size_t from = begin; // the places before `from` are settled
        for (; place != read.places.end() && *place < end; ++place) {
          if (*place < begin) continue;
          std::nth_element(desc + from, desc + *place, desc + end, std::greater<>());
          from = *place + 1;
        }
      }
    }
    while (place != read.places.end() && *place < end) ++place;
  }
}

// What the record and the segment measures read off one sorted curve, kept
// when the buffer goes on to the other series.
struct curve_reading {
  std::vector<double> at_grid;  // the curve at the exceedance grid
  double mid_from = 0, mid_to = 0; // at the bounds of the mid segment
  std::vector<double> high;     // the values of the high segment's ranks, largest first
  low_part low;
};

curve_reading read_curve(std::span<const double> desc, const duration_curve_record& r) {
  curve_reading c;
  for (double p : r.exceedance_percent) c.at_grid.push_back(curve_value(desc, p));
  c.mid_from = curve_value(desc, r.mid_slope.from_percent);
  c.mid_to = curve_value(desc, r.mid_slope.to_percent);
  const rank_range h = segment_ranks(desc.size(), r.high_volume.from_percent, r.high_volume.to_percent, false);
  const std::span<const double> high = desc.subspan(h.first - 1, h.count());
  c.high.assign(high.begin(), high.end());
  c.low = low_part_of(desc, r.low_volume.from_percent, r.low_volume.to_percent);
  return c;
}

} // namespace

// ------------------------------------------------------------- the record

duration_curve_record duration_curve(const double* obs, const double* sim, int lines, bool temperature) {
  duration_curve_record r;
  if (temperature) {
    r.reason = "temperature series have no duration curve";
    return r;
  }
  const curve_values values(obs, sim, lines);
  const std::size_t n = values.n;
  r.n = static_cast<std::uint32_t>(n);
  if (n == 0) {
    r.reason = "no line where both values are present and not negative";
    return r;
  }
  // one buffer, the observed curve in it first, then the simulated one, and
  // a place past the last for the values of buckets no rank is read from
  const scratch_array<double> buffer = scratch<double>(n + 1);
  double* const desc = buffer.get();
  r.exceedance_percent = exceedance_grid();
  const ranks_read read(r, n);
  values.sort_into(0, desc, read);
  curve_reading o = read_curve({desc, n}, r);
  values.sort_into(1, desc, read);
  curve_reading s = read_curve({desc, n}, r);
  r.observed = std::move(o.at_grid);
  r.simulated = std::move(s.at_grid);
  r.high_volume = high_volume(o.high, s.high, r.high_volume.from_percent, r.high_volume.to_percent);
  r.mid_slope = mid_slope(r.mid_slope.from_percent, r.mid_slope.to_percent, o.mid_from, o.mid_to,
                          s.mid_from, s.mid_to);
  r.low_volume = low_volume(r.low_volume.from_percent, r.low_volume.to_percent, o.low, s.low);
  return r;
}

} // namespace twinser
