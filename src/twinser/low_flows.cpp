// Low-flow efficiencies: Nash-Sutcliffe and KGE (2012) on transformed values
// that weight the small flows, where the plain efficiencies see only floods.
#include "twinser.h"

#include <cmath>

namespace twinser {

// ------------------------------------------------------- low-flow measures
//
// Pushpalatha, Perrin, Le Moine and Andreassian (2012), A review of
// efficiency criteria suitable for evaluating low-flow simulations, Journal
// of Hydrology 420-421. Over the multi-year row's lines of a flow or depth
// series (both values present and not negative), each value q is first moved
// up by an offset
//   eps = (sum o / n) / 100        one hundredth of the observed mean
// so that a zero flow keeps a finite logarithm and inverse, and then
// transformed, observed and simulated alike:
//   log:     t(q) = ln(q + eps)
//   inverse: t(q) = 1 / (q + eps)
// On the transformed pairs, about their own means (as the extra measures):
//   nse      = 1 - sum (t(s) - t(o))^2 / sum (t(o) - mean t(o))^2
//   kge_2012 = 1 - sqrt((r - 1)^2 + (gamma - 1)^2 + (beta - 1)^2)
// The inverse puts nearly all weight on the lowest flows, the log less so.
//
// No lines, a temperature series, or an observed mean of zero (eps = 0: a
// zero flow would have no logarithm) give no measures, with the reason. An
// observed series whose transformed values do not vary gives 0/0, a nan the
// summary writes as null, as for the plain efficiencies.

// The second pass of the logarithms, over those kept, in a function of its
// own, not inlined, so that the sums stay in registers (see add_lines).
[[gnu::noinline]] static centred_sums add_logarithms(centred_sums c, const double* log_at, std::uint32_t k) {
  for (std::uint32_t j = 0; j < k; ++j) c.add(log_at[2 * j], log_at[2 * j + 1]);
  return c;
}

// Both efficiencies of both transforms, in two passes over the lines taking
// part: the means of the transformed values, then the sums about them. The
// logarithms of the first pass are kept for the second (a century of hourly
// lines: 14 MB of scratch cost less than 1.75 million logarithms worked out
// again); the inverses are cheap and worked out afresh. Each sum adds its
// lines in line order.
static void transformed_efficiencies(const double* obs, const double* sim, int lines, double eps,
                                     low_flow_record& r) {
  fit_sums fl, fi; // only the two sums and the count the means need
  const auto logs = scratch<double>(2 * static_cast<std::size_t>(lines)); // observed, simulated by turns
  double* log_at = logs.get();
  std::uint32_t k = 0;
  for (int i = 0; i < lines; ++i)
    if (both_non_negative(obs[i], sim[i])) {
      const double o = obs[i] + eps, s = sim[i] + eps;
      const double lo = std::log(o), ls = std::log(s);
      log_at[2 * k] = lo;
      log_at[2 * k + 1] = ls;
      fl.Qobs_sum += lo;
      fl.Qsim_sum += ls;
      fi.Qobs_sum += 1 / o;
      fi.Qsim_sum += 1 / s;
      ++k;
    }
  fl.num = fi.num = k;
  const centred_sums cl = add_logarithms(centred_sums(fl), log_at, k);
  const centred_sums ci = add_lines(
      centred_sums(fi), obs, sim, 0, lines, [](double o, double s) { return both_non_negative(o, s); },
      [eps](double q) { return 1 / (q + eps); });
  fit_row row;
  extra_measures(row, cl);
  r.log_nse = row.nse;
  r.log_kge_2012 = row.kge_2012;
  extra_measures(row, ci);
  r.inverse_nse = row.nse;
  r.inverse_kge_2012 = row.kge_2012;
}

low_flow_record low_flows(const double* obs, const double* sim, int lines, bool temperature) {
  low_flow_record r;
  if (temperature) {
    r.reason = "temperature series have no low flows";
    return r;
  }
  double sum_o = 0;
  std::uint32_t n = 0;
  for (int i = 0; i < lines; ++i)
    if (both_non_negative(obs[i], sim[i])) {
      sum_o += obs[i];
      ++n;
    }
  if (n == 0) {
    r.reason = "no line where both values are present and not negative";
    return r;
  }
  const double eps = (sum_o / n) / 100;
  r.offset = eps;
  if (!(eps > 0)) {
    r.reason = "the observed mean is zero: no offset keeps a zero flow's logarithm";
    return r;
  }
  transformed_efficiencies(obs, sim, lines, eps, r);
  return r;
}

} // namespace twinser
