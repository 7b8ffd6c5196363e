// Flow-duration curves of the observed and the simulated series, and the three
// segment measures read off them: how well a simulation reproduces the
// distribution of flows, floods to droughts, whatever their timing.
#include "twinser.h"

#include <algorithm>
#include <cmath>
#include <cstring>
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

// Whether rank i of n lies at or above `from` and below (or at, when
// `closed`) `to`, both in percent; compared as 100 i against bound (n + 1),
// exact for whole-number bounds.
static bool in_segment(std::size_t i, std::size_t n, double from, double to, bool closed) {
  const double at = 100.0 * static_cast<double>(i);
  const double m = static_cast<double>(n + 1);
  return at >= from * m && (closed ? at <= to * m : at < to * m);
}

// High-flow volume bias (FHV), in percent, over the ranks h of the segment
// 0 to 2 % exceedance:
//   FHV = 100 * sum_h (S_h - O_h) / sum_h O_h
// Positive when the simulated floods carry too much water. No rank in the
// segment (fewer than 50 lines for 2 %) or an observed volume of zero gives
// no value, with its reason.
curve_segment high_volume_bias(std::span<const double> obs_desc, std::span<const double> sim_desc,
                               double from_percent, double to_percent) {
  curve_segment seg{from_percent, to_percent, NAN_VALUE, ""};
  const std::size_t n = obs_desc.size();
  double so = 0, sd = 0;
  std::size_t count = 0;
  for (std::size_t i = 1; i <= n; ++i) {
    if (!in_segment(i, n, from_percent, to_percent, false)) continue;
    so += obs_desc[i - 1];
    sd += sim_desc[i - 1] - obs_desc[i - 1];
    ++count;
  }
  if (count == 0)
    seg.reason = "no value in the segment: too few lines";
  else if (!(so > 0))
    seg.reason = "the observed volume of the segment is zero";
  else
    seg.value = 100 * sd / so;
  return seg;
}

// Mid-segment slope bias (FMS), in percent, between the curve values at the
// two bounds m1 = 20 % and m2 = 70 % (read off each curve as above):
//   FMS = 100 * ((ln S_m1 - ln S_m2) - (ln O_m1 - ln O_m2)) / (ln O_m1 - ln O_m2)
// Positive when the simulated curve falls more steeply (a flashier
// response). A zero value at a bound has no logarithm, and an observed curve
// flat between the bounds gives a zero denominator: no value, with the reason.
curve_segment mid_slope_bias(std::span<const double> obs_desc, std::span<const double> sim_desc,
                             double from_percent, double to_percent) {
  curve_segment seg{from_percent, to_percent, NAN_VALUE, ""};
  if (obs_desc.empty()) {
    seg.reason = "no lines";
    return seg;
  }
  const double o1 = curve_value(obs_desc, from_percent), o2 = curve_value(obs_desc, to_percent);
  const double s1 = curve_value(sim_desc, from_percent), s2 = curve_value(sim_desc, to_percent);
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

// Low-flow volume bias (FLV), in percent, over the ranks l of the segment
// 70 to 100 % exceedance, on log values measured up from the segment's
// smallest value L of each curve:
//   FLV = -100 * (sum_l (ln S_l - ln S_L) - sum_l (ln O_l - ln O_L))
//                / sum_l (ln O_l - ln O_L)
// (the sign as in the paper: positive when the simulated low flows span less
// of the log scale than the observed ones). A zero value in the segment has
// no logarithm; no rank, or an observed segment that is flat (one value
// among them) gives a zero denominator: no value, with the reason.
curve_segment low_volume_bias(std::span<const double> obs_desc, std::span<const double> sim_desc,
                              double from_percent, double to_percent) {
  curve_segment seg{from_percent, to_percent, NAN_VALUE, ""};
  const std::size_t n = obs_desc.size();
  std::size_t first = 0, last = 0; // ranks of the segment, first..last
  for (std::size_t i = 1; i <= n; ++i)
    if (in_segment(i, n, from_percent, to_percent, true)) {
      if (first == 0) first = i;
      last = i;
    }
  if (first == 0) {
    seg.reason = "no value in the segment: too few lines";
    return seg;
  }
  if (!(obs_desc[last - 1] > 0 && sim_desc[last - 1] > 0)) {
    seg.reason = "a zero value in the segment has no logarithm";
    return seg;
  }
  const double lo = std::log(obs_desc[last - 1]), ls = std::log(sim_desc[last - 1]);
  double so = 0, ss = 0;
  for (std::size_t i = first; i <= last; ++i) {
    so += std::log(obs_desc[i - 1]) - lo;
    ss += std::log(sim_desc[i - 1]) - ls;
  }
  if (so == 0)
    seg.reason = "the observed curve is flat in the segment";
  else
    seg.value = -100 * (ss - so) / so;
  return seg;
}

// A century of hourly lines is close to a million values a series: a radix
// sort on the bits of the doubles takes a few milliseconds where a comparison
// sort takes tens. Values here are never negative, and a double that is not
// negative orders as its bit pattern read as an unsigned integer; a -0 was
// made +0 when the values were gathered, so every zero sorts alike. Digits of
// 11 bits (2,048 counters, which stay in the cache while a pass scatters)
// complemented, so that the stable passes, least significant digit first,
// leave the largest first; all six counts are taken in one pass, and a digit
// that every value shares is skipped. `spare` is scratch of the same size.
static void sort_descending(scratch_array<double>& values, scratch_array<double>& spare, std::size_t n) {
  constexpr int BITS = 11, DIGITS = 6;
  constexpr std::uint64_t MASK = (1u << BITS) - 1;
  const auto key = [](double v) {
    std::uint64_t k;
    std::memcpy(&k, &v, sizeof k);
    return ~k;
  };
  std::vector<std::size_t> count(static_cast<std::size_t>(DIGITS) << BITS, 0);
  for (std::size_t i = 0; i < n; ++i) {
    const std::uint64_t k = key(values[i]);
    for (int d = 0; d < DIGITS; ++d) ++count[(static_cast<std::size_t>(d) << BITS) + ((k >> (d * BITS)) & MASK)];
  }
  for (int d = 0; d < DIGITS && n > 0; ++d) {
    std::size_t* c = &count[static_cast<std::size_t>(d) << BITS];
    if (c[(key(values[0]) >> (d * BITS)) & MASK] == n) continue; // one digit throughout
    std::size_t at = 0;
    for (std::size_t i = 0; i <= MASK; ++i) {
      const std::size_t here = c[i];
      c[i] = at;
      at += here;
    }
    for (std::size_t i = 0; i < n; ++i) spare[c[(key(values[i]) >> (d * BITS)) & MASK]++] = values[i];
    values.swap(spare);
  }
}

// ------------------------------------------------------------- the record

duration_curve_record duration_curve(const double* obs, const double* sim, int lines, bool temperature) {
  duration_curve_record r;
  if (temperature) {
    r.reason = "temperature series have no duration curve";
    return r;
  }
  const std::size_t most = static_cast<std::size_t>(lines > 0 ? lines : 0);
  scratch_array<double> o_desc = scratch<double>(most), s_desc = scratch<double>(most),
                        spare = scratch<double>(most);
  std::size_t n = 0;
  for (int i = 0; i < lines; ++i)
    if (both_non_negative(obs[i], sim[i])) {
      o_desc[n] = obs[i] + 0.0; // -0 made +0: see sort_descending
      s_desc[n++] = sim[i] + 0.0;
    }
  r.n = static_cast<std::uint32_t>(n);
  if (n == 0) {
    r.reason = "no line where both values are present and not negative";
    return r;
  }
  sort_descending(o_desc, spare, n);
  sort_descending(s_desc, spare, n);
  const std::span<const double> o(o_desc.get(), n), s(s_desc.get(), n);
  r.exceedance_percent = exceedance_grid();
  for (double p : r.exceedance_percent) {
    r.observed.push_back(curve_value(o, p));
    r.simulated.push_back(curve_value(s, p));
  }
  r.high_volume = high_volume_bias(o, s, r.high_volume.from_percent, r.high_volume.to_percent);
  r.mid_slope = mid_slope_bias(o, s, r.mid_slope.from_percent, r.mid_slope.to_percent);
  r.low_volume = low_volume_bias(o, s, r.low_volume.from_percent, r.low_volume.to_percent);
  return r;
}

} // namespace twinser
