// The JSON summary: the run record rendered field by field, in the order and
// under the names docs/json-summary.md documents. Numbers go out at full
// precision (the shortest text that reads back to the same double); a nan or
// an infinity, which the report prints as text, is null.
#include "summary.h"

#include <cmath>
#include <cstdio>
#include <fstream>
#include <optional>
#include <string>

namespace twinser_view {

using nlohmann::ordered_json;
using namespace twinser;

namespace {

ordered_json num(double v) { return std::isfinite(v) ? ordered_json(v) : ordered_json(nullptr); }

// A trimmed header text: columns of a card image carry blanks around it.
std::string trimmed(const std::string& text) {
  const auto b = text.find_first_not_of(' ');
  if (b == std::string::npos) return "";
  return text.substr(b, text.find_last_not_of(' ') - b + 1);
}

std::string year_month(int y, int m) {
  char text[32];
  std::snprintf(text, sizeof text, "%04d-%02d", y, m);
  return text;
}

// The one date form of the summary: "YYYY-MM-DD" for daily steps (a day's
// line is dated by its day), "YYYY-MM-DD HH:MM" for shorter ones.
std::string date_text(const clock_time& t) {
  char text[48];
  if (t.daily)
    std::snprintf(text, sizeof text, "%04d-%02d-%02d", t.year, t.month, t.day);
  else
    std::snprintf(text, sizeof text, "%04d-%02d-%02d %02d:00", t.year, t.month, t.day, t.hour);
  return text;
}

// A line's date as its record holds it; null for no line.
ordered_json date_json(const std::optional<clock_time>& t) {
  if (!t) return nullptr;
  return date_text(*t);
}

ordered_json water_year_json(const std::optional<water_year>& w) {
  if (!w) return nullptr;
  return {{"first_line", w->first_line}, {"end_line", w->end_line},
          {"first_date", date_json(w->first_date)}, {"last_date", date_json(w->last_date)}};
}

ordered_json series_json(const series_record& s) {
  return {{"file", s.file},
          {"station", trimmed(s.station)},
          {"unit", trimmed(s.unit)},
          {"step_hours", s.step},
          {"first", year_month(s.first_year, s.first_month)},
          {"last", year_month(s.last_year, s.last_month)}};
}

// The measures every table of fit shares: count, biases, RMS, R, r.
ordered_json fit_core(const fit_row& m) {
  return {{"n", m.sums.num},
          {"percent_bias", num(m.pbias)},
          {"abs_percent_bias", num(m.abs_pbias)},
          {"percent_rms", num(m.pct_rms)},
          {"rms", num(m.rms)},
          {"r", num(m.r_corr)},
          {"nash_r", num(m.nash)}};
}

// ------------------------------------------- measures beyond the report
//
// Each one, when it could not be formed, is an object holding only its
// "reason"; a single value is null with a sibling "<name>_reason".

ordered_json reason_json(const std::string& reason) { return {{"reason", reason}}; }

ordered_json low_flow_json(const low_flow_record& l) {
  if (!l.reason.empty()) return reason_json(l.reason);
  return {{"offset", num(l.offset)},
          {"log_nse", num(l.log_nse)},
          {"log_kge_2012", num(l.log_kge_2012)},
          {"inverse_nse", num(l.inverse_nse)},
          {"inverse_kge_2012", num(l.inverse_kge_2012)}};
}

ordered_json benchmark_json(const benchmark_record& b) {
  ordered_json j = {{"seasonal_basis", b.monthly_basis ? "month" : "day"},
                    {"seasonal_nse", num(b.seasonal_nse)}};
  if (!b.seasonal_nse_reason.empty()) j["seasonal_nse_reason"] = b.seasonal_nse_reason;
  j["mean_flow_kge"] = num(b.mean_flow_kge);
  return j;
}

ordered_json interval_json(const interval_record& i) {
  if (!i.reason.empty()) return reason_json(i.reason);
  return {{"p05", num(i.p05)}, {"median", num(i.median)}, {"p95", num(i.p95)},
          {"jackknife_se", num(i.jackknife_se)}};
}

ordered_json uncertainty_json(const uncertainty_record& u) {
  if (!u.reason.empty()) return reason_json(u.reason);
  return {{"method", "block bootstrap over whole years"},
          {"resamples", u.resamples},
          {"seed", u.seed},
          {"years", u.years},
          {"nse", interval_json(u.nse)},
          {"kge_2009", interval_json(u.kge_2009)},
          {"kge_2012", interval_json(u.kge_2012)},
          {"percent_bias", interval_json(u.percent_bias)},
          {"r", interval_json(u.r)}};
}

ordered_json segment_json(const curve_segment& s) {
  ordered_json j = {{"from_percent", num(s.from_percent)},
                    {"to_percent", num(s.to_percent)},
                    {"value", num(s.value)}};
  if (!s.reason.empty()) j["reason"] = s.reason;
  return j;
}

ordered_json duration_curve_json(const duration_curve_record& c) {
  if (!c.reason.empty()) return reason_json(c.reason);
  ordered_json p = ordered_json::array(), o = ordered_json::array(), s = ordered_json::array();
  for (double v : c.exceedance_percent) p.push_back(num(v));
  for (double v : c.observed) o.push_back(num(v));
  for (double v : c.simulated) s.push_back(num(v));
  return {{"n", c.n},
          {"plotting_position", "weibull i/(n+1)"},
          {"exceedance_percent", p},
          {"observed", o},
          {"simulated", s},
          {"high_volume_bias", segment_json(c.high_volume)},
          {"mid_slope_bias", segment_json(c.mid_slope)},
          {"low_volume_bias", segment_json(c.low_volume)}};
}

ordered_json whole_period_json(const fit_row& m) {
  ordered_json j = {{"n", m.sums.num},
          {"percent_bias", num(m.pbias)},
          {"abs_percent_bias", num(m.abs_pbias)},
          {"obs_mean", num(m.mean_o)},
          {"sim_mean", num(m.mean_s)},
          {"obs_std", num(m.std_o)},
          {"sim_std", num(m.std_s)},
          {"obs_cv", num(m.cv_o)},
          {"sim_cv", num(m.cv_s)},
          {"percent_rms", num(m.pct_rms)},
          {"rms", num(m.rms)},
          {"r", num(m.r_corr)},
          {"nash_r", num(m.nash)},
          {"rm", num(m.r_mod)},
          {"line_a", num(m.line_a)},
          {"line_b", num(m.line_b)},
          {"nse", num(m.nse)},
          {"kge_2009", num(m.kge_2009)},
          {"kge_2012", num(m.kge_2012)},
          {"mae", num(m.mae)}};
  return j;
}

ordered_json period_rows_json(const std::vector<period_row>& rows, const char* key) {
  ordered_json list = ordered_json::array();
  for (const period_row& row : rows) {
    const fit_row& m = row.fit;
    list.push_back({{key, row.period},
                    {"n", m.sums.num},
                    {"percent_bias", num(m.pbias)},
                    {"abs_percent_bias", num(m.abs_pbias)},
                    {"abs_error", num(m.abs_err)},
                    {"obs_mean", num(m.mean_o)},
                    {"sim_mean", num(m.mean_s)},
                    {"percent_rms", num(m.pct_rms)},
                    {"rms", num(m.rms)},
                    {"r", num(m.r_corr)},
                    {"nash_r", num(m.nash)},
                    {"nse", num(m.nse)},
                    {"kge_2009", num(m.kge_2009)},
                    {"kge_2012", num(m.kge_2012)}});
  }
  return list;
}

ordered_json largest_json(const std::vector<difference_row>& rows) {
  ordered_json list = ordered_json::array();
  int rank = 0;
  for (const difference_row& r : rows)
    list.push_back({{"rank", ++rank},
                    {"line", r.line},
                    {"date", date_json(r.end)},
                    {"obs", num(r.obs)},
                    {"sim", num(r.sim)},
                    {"diff", num(r.diff)},
                    {"percent_error", num(r.pct_error)}});
  return list;
}

// ------------------------------------------------------------ selections

ordered_json selection_json(const display_record& a) {
  return {{"letter", "A"}, {"lines", a.lines}};
}

ordered_json selection_json(const class_record& c) {
  ordered_json j = {{"letter", std::string(1, c.letter)}};
  if (c.letter == 'D') {
    j["intervals"] = c.intervals;
    j["max_observed"] = num(c.interval_top);
    j["data_max"] = num(c.max_observed);
  }
  ordered_json rows = ordered_json::array();
  for (const class_row& row : c.rows) {
    ordered_json r;
    if (c.letter == 'E') {
      r["value"] = num(row.lower);
      r["found"] = row.found;
      if (!row.found) {
        rows.push_back(r);
        continue;
      }
    } else {
      r["lower"] = num(row.lower);
      r["upper"] = num(row.upper);
    }
    r.update(fit_core(row.fit));
    rows.push_back(r);
  }
  j["rows"] = rows;
  return j;
}

ordered_json date_time(const int* f) {
  return {{"year", f[3]}, {"month", f[1]}, {"day", f[2]}, {"hour", f[0]}};
}

ordered_json event_json(const event_row& ev) {
  ordered_json stats = fit_core(ev.stats);
  stats["rm"] = num(ev.stats.r_mod);
  stats["total_obs_mm"] = num(ev.total_obs);
  stats["total_sim_mm"] = num(ev.total_sim);
  stats["ipcp"] = num(ev.stats.ipcp);

  const bool both = ev.has_obs_centre && ev.has_sim_centre;
  ordered_json centre = {
      {"obs_line", ev.has_obs_centre ? ordered_json(ev.obs_centre_line) : ordered_json(nullptr)},
      {"sim_line", ev.has_sim_centre ? ordered_json(ev.sim_centre_line) : ordered_json(nullptr)},
      {"time_diff_hours", both ? ordered_json(ev.centre_diff) : ordered_json(nullptr)},
      {"obs_date", date_json(ev.obs_centre_end)},
      {"sim_date", date_json(ev.sim_centre_end)}};

  ordered_json maxima = {{"obs_peak", num(ev.obs_peak)},
                         {"obs_line", ev.obs_peak_line},
                         {"obs_date", date_json(ev.obs_peak_end)},
                         {"sim_peak", num(ev.sim_peak)},
                         {"sim_line", ev.sim_peak_line},
                         {"sim_date", date_json(ev.sim_peak_end)},
                         {"time_diff_hours", ev.shift_hours},
                         {"ratio", num(ev.ratio)},
                         {"relative_error", num(ev.relative_error)}};

  ordered_json aligned = {{"shift_lines", ev.shift}};
  aligned.update(fit_core(ev.aligned));
  aligned["total_obs_mm"] = num(ev.aligned_total_obs);
  aligned["total_sim_mm"] = num(ev.aligned_total_sim);

  return {{"number", ev.number},
          {"begin", date_time(ev.begin)},
          {"end", date_time(ev.end)},
          {"first_line", ev.line1},
          {"end_line", ev.line2},
          {"first_date", date_json(ev.first_end)},
          {"last_date", date_json(ev.last_end)},
          {"hours", ev.hours},
          {"statistics", stats},
          {"centre", centre},
          {"maxima", maxima},
          {"aligned", aligned}};
}

ordered_json selection_json(const event_record& g) {
  ordered_json events = ordered_json::array();
  for (const event_row& ev : g.events) events.push_back(event_json(ev));
  const double* s = g.statistics_means;
  const double* a = g.aligned_means;
  return {{"letter", "G"},
          {"events", events},
          {"statistics_means",
           {{"hours", num(s[0])}, {"percent_bias", num(s[1])}, {"abs_percent_bias", num(s[2])},
            {"percent_rms", num(s[3])}, {"r", num(s[4])}, {"nash_r", num(s[5])}, {"rm", num(s[6])},
            {"total_obs_mm", num(s[7])}, {"total_sim_mm", num(s[8])}}},
          {"pooled",
           {{"overall_bias", num(g.overall_bias)}, {"flood_bias", num(g.flood_bias)},
            {"flood_rms", num(g.flood_rms)}}},
          {"centre_means",
           {{"time_diff_hours", num(g.centre_mean)}, {"abs_time_diff_hours", num(g.centre_abs_mean)}}},
          {"maxima_means",
           {{"time_diff_hours", num(g.time_mean)}, {"ratio", num(g.ratio_mean)},
            {"abs_relative_error", num(g.deviation_mean)}}},
          {"peak_summary",
           {{"ep", num(g.peak_error)}, {"bp", num(g.peak_time_bias)}, {"bp_avg", num(g.peak_time_error)},
            {"mean_obs_peak", num(g.mean_obs_peak)}}},
          {"aligned_means",
           {{"hours", num(a[0])}, {"percent_bias", num(a[1])}, {"abs_percent_bias", num(a[2])},
            {"percent_rms", num(a[3])}, {"r", num(a[4])}, {"nash_r", num(a[5])},
            {"total_obs_mm", num(a[6])}, {"total_sim_mm", num(a[7])}}}};
}

ordered_json selection_json(const peak_record& h) {
  ordered_json peaks = ordered_json::array();
  const ordered_json none(nullptr);
  for (const peak_row& p : h.peaks)
    peaks.push_back({{"obs_peak", num(p.obs_peak)},
                     {"obs_line", p.obs_line},
                     {"obs_date", date_json(p.obs_end)},
                     {"missed", !p.matched},
                     {"sim_peak", p.matched ? num(p.sim_peak) : none},
                     {"sim_line", p.matched ? ordered_json(p.sim_line) : none},
                     {"sim_date", date_json(p.sim_end)},
                     {"time_diff_hours", p.matched ? ordered_json(p.time_diff) : none},
                     {"percent_difference", p.matched ? num(p.pct_diff) : none},
                     {"ratio", p.matched ? num(p.ratio) : none}});
  // the report prints the sums themselves for one match, nothing for none
  const peak_totals& t = h.totals;
  ordered_json summary = {{"observed_peaks", t.total_opeak}, {"matched_peaks", t.total_speak},
                          {"mean_time_diff_hours", none}, {"mean_peak_diff", none},
                          {"sd_time_diff_hours", none}, {"sd_peak_diff", none}};
  if (t.total_speak == 1) {
    summary["mean_time_diff_hours"] = t.time_diff;
    summary["mean_peak_diff"] = num(t.peak_diff);
  } else if (t.total_speak > 1) {
    summary["mean_time_diff_hours"] = num(h.mean_time);
    summary["mean_peak_diff"] = num(h.mean_peak);
    summary["sd_time_diff_hours"] = num(h.sd_time);
    summary["sd_peak_diff"] = num(h.sd_peak);
  }
  return {{"letter", "H"},
          {"threshold", num(h.threshold)},
          {"window_hours", h.window_read},
          {"window_used_hours", h.window},
          {"peaks", peaks},
          {"summary", summary}};
}

ordered_json selection_json(const accumulation_record& acc) {
  ordered_json rows = ordered_json::array();
  for (const accumulation_row& r : acc.rows)
    rows.push_back({{"first", year_month(r.first_year, r.first_month)},
                    {"last", year_month(r.last_year, r.last_month)},
                    {"first_line", r.line1 - 1},
                    {"last_line", r.line2 - 1},
                    {"obs_mm", num(r.obs)},
                    {"sim_mm", num(r.sim)},
                    {"error_mm", num(r.error)},
                    {"error_period_mm", num(r.period_error)}});
  return {{"letter", "I"}, {"months", acc.months}, {"rows", rows}, {"lines_analysed", acc.lines}};
}

ordered_json selection_json(const refused_record& x) {
  return {{"letter", std::string(1, x.letter)}, {"refused", x.reason}};
}

} // namespace

ordered_json summary_json(const run_record& run, const std::string& tool_version) {
  ordered_json j = summary_before_beyond(run, tool_version);
  add_beyond(j, run.beyond);
  return j;
}

ordered_json summary_before_beyond(const run_record& run, const std::string& tool_version) {
  const data_record& d = run.data;
  ordered_json j;
  j["schema"] = "twinser-summary/1";
  j["tool"] = {{"name", "twinser-view"}, {"version", tool_version}};
  j["label"] = run.label;
  j["control_file"] = run.control_file;
  j["report_file"] = run.report_file;
  j["event_data_file"] = run.event_data ? ordered_json("event.dat") : ordered_json(nullptr);
  j["series"] = {{"observed", series_json(run.observed)}, {"simulated", series_json(run.simulated)}};
  j["period"] = {{"first", year_month(d.first_year, d.first_month)},
                 {"last", year_month(d.last_year, d.last_month)},
                 {"start", date_text(d.start)},
                 {"first_date", date_json(d.first_date)},
                 {"last_date", date_json(d.last_date)},
                 {"dates", "end of step"},
                 {"first_day_unix_seconds", d.first_day_unix_seconds},
                 {"lines_per_day", d.lines_per_day},
                 {"first_water_year", water_year_json(d.first_water_year)},
                 {"step_hours", d.step},
                 {"lines", d.lines},
                 {"good_hours", d.good_hours},
                 {"missing_hours", d.missing_hours}};
  j["area_km2"] = num(d.area);
  j["flow"] = d.flow;
  j["temperature"] = d.temperature;
  j["max_observed"] = num(d.max_observed);
  j["whole_period"] = whole_period_json(run.whole_period);
  j["duration_curve"] = nullptr; // its place, kept by add_beyond or taken away

  j["yearly"] = period_rows_json(run.yearly, "year");
  j["monthly"] = period_rows_json(run.monthly, "month");
  j["largest_differences"] = largest_json(run.largest);
  ordered_json selections = ordered_json::array();
  for (const selection_record& s : run.selections)
    selections.push_back(std::visit([](const auto& rec) { return selection_json(rec); }, s));
  j["selections"] = selections;
  ordered_json refused = ordered_json::array();
  for (const refused_option& x : run.refused_options)
    refused.push_back({{"option", x.word}, {"refused", x.reason}});
  j["refused_options"] = refused;
  return j;
}

void add_beyond(ordered_json& summary, const beyond_record& b) {
  const auto place = summary.find("duration_curve");
  if (place == summary.end() || !place->is_null()) return; // given already
  if (!b.computed) {
    summary.erase("duration_curve");
    return;
  }
  ordered_json& whole = summary["whole_period"];
  whole["low_flow"] = low_flow_json(b.low_flow);
  whole["benchmark"] = benchmark_json(b.benchmark);
  whole["uncertainty"] = uncertainty_json(b.uncertainty);
  summary["duration_curve"] = duration_curve_json(b.duration_curve);
}

std::string summary_text(const ordered_json& summary) {
  // a file or station name need not be UTF-8 (Latin-1 names are common):
  // such bytes become U+FFFD rather than stopping the run half written
  return summary.dump(1, ' ', false, ordered_json::error_handler_t::replace) + "\n";
}

bool write_summary_text(const std::string& text, const std::string& path) {
  std::ofstream file(path, std::ios::out | std::ios::trunc | std::ios::binary);
  if (!file) return false;
  file << text;
  return static_cast<bool>(file.flush());
}

bool write_summary(const run_record& run, const store_view&, const std::string& path) {
  return write_summary_text(summary_text(summary_json(run, TWINSER_VERSION)), path);
}

} // namespace twinser_view
