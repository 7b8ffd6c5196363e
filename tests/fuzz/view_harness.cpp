// Fuzz harness for twinser-view's renderings: arbitrary bytes as the names a
// run takes from its inputs, arbitrary doubles as its measures and series.
// One input:
//
//   <names, one a line>\n%%\n<raw 8-byte doubles>
//
// The names are the control and report file and each series' file, station
// and unit; the doubles fill the measures of the whole period (also used for
// a year, a month and a flow class), a largest difference, then the observed
// and simulated series in turn (nan, inf, huge, tiny and -999 among them).
// The run record goes through the view's own writers, the JSON summary and
// the page, into a scratch directory, and both files are checked; any breach
// aborts, which the fuzzer reports as a crash:
// - the summary file reads back as JSON, every measure equal to the one given
//   (nan and inf as null);
// - the page holds its own six scripts, two styles and one title however the
//   names are spelt (tags read without regard to case), and no comment;
// - the summary inside the page is the summary file's;
// - the series read back to the values drawn: -999 and nan as nan, beyond
//   single range as infinity, else the value rounded to single.
#include "page.h"
#include "summary.h"
#include "twinser.h"

#include <algorithm>
#include <cfloat>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <iostream>
#include <iterator>
#include <sstream>
#include <string>
#include <unistd.h>
#include <vector>

namespace {

void require(bool ok, const char* what) {
  if (!ok) {
    std::fprintf(stderr, "view fault: %s\n", what);
    std::abort();
  }
}

std::size_t count(const std::string& text, const std::string& part) {
  std::size_t n = 0;
  for (std::size_t p = text.find(part); p != std::string::npos; p = text.find(part, p + 1)) ++n;
  return n;
}

std::string between(const std::string& page, const std::string& open, const std::string& close) {
  std::size_t a = page.find(open);
  require(a != std::string::npos, "an element of the page is missing");
  a += open.size();
  std::size_t b = page.find(close, a);
  require(b != std::string::npos, "an element of the page is not closed");
  return page.substr(a, b - a);
}

std::vector<unsigned char> unbase64(const std::string& b64) {
  static const std::string digits =
      "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";
  require(b64.size() % 4 == 0, "series text is not whole base64 groups");
  std::vector<unsigned char> bytes;
  std::uint32_t w = 0;
  int bits = 0;
  for (char c : b64) {
    if (c == '=') break;
    std::size_t d = digits.find(c);
    require(d != std::string::npos, "series text holds a character outside base64");
    w = (w << 6) | static_cast<std::uint32_t>(d);
    bits += 6;
    if (bits >= 8) {
      bits -= 8;
      bytes.push_back(static_cast<unsigned char>((w >> bits) & 0xff));
    }
  }
  return bytes;
}

void check_series(const std::string& b64, const std::vector<double>& v) {
  std::vector<unsigned char> bytes = unbase64(b64);
  require(bytes.size() == 4 * v.size(), "series holds another number of lines");
  for (std::size_t i = 0; i < v.size(); ++i) {
    std::uint32_t u = bytes[4 * i] | bytes[4 * i + 1] << 8 | bytes[4 * i + 2] << 16 |
                      static_cast<std::uint32_t>(bytes[4 * i + 3]) << 24;
    float f;
    std::memcpy(&f, &u, 4);
    if (v[i] == -999.0 || std::isnan(v[i])) require(std::isnan(f), "a gap is not nan");
    else if (v[i] > FLT_MAX) require(f == INFINITY, "a huge value is not +inf");
    else if (v[i] < -FLT_MAX) require(f == -INFINITY, "a huge negative value is not -inf");
    else require(f == static_cast<float>(v[i]), "a value is not its single rounding");
  }
}

std::string file_text(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

// The whole-period keys of the summary and the measures they come from.
struct measure {
  const char* key;
  double twinser::fit_row::*field;
};
const measure measures[] = {
    {"percent_bias", &twinser::fit_row::pbias}, {"abs_percent_bias", &twinser::fit_row::abs_pbias},
    {"obs_mean", &twinser::fit_row::mean_o},    {"sim_mean", &twinser::fit_row::mean_s},
    {"obs_std", &twinser::fit_row::std_o},      {"sim_std", &twinser::fit_row::std_s},
    {"obs_cv", &twinser::fit_row::cv_o},        {"sim_cv", &twinser::fit_row::cv_s},
    {"percent_rms", &twinser::fit_row::pct_rms}, {"rms", &twinser::fit_row::rms},
    {"r", &twinser::fit_row::r_corr},           {"nash_r", &twinser::fit_row::nash},
    {"rm", &twinser::fit_row::r_mod},           {"line_a", &twinser::fit_row::line_a},
    {"line_b", &twinser::fit_row::line_b},      {"nse", &twinser::fit_row::nse},
    {"kge_2009", &twinser::fit_row::kge_2009},  {"kge_2012", &twinser::fit_row::kge_2012},
    {"mae", &twinser::fit_row::mae}};
constexpr std::size_t measure_count = sizeof measures / sizeof measures[0];

// A scratch directory for the two files, removed when the process ends.
const std::string& scratch() {
  static std::string dir;
  if (dir.empty()) {
    char name[] = "/tmp/twinser_view_fuzz_XXXXXX";
    require(mkdtemp(name) != nullptr, "no scratch directory");
    dir = name;
    std::atexit([] { std::system(("rm -rf " + dir).c_str()); });
  }
  return dir;
}

} // namespace

// One input: a run record written by the view's writers, then checked.
static void check_run(const std::string& input) {
  const std::size_t cut = input.find("\n%%\n");
  const std::string names = input.substr(0, cut);
  const std::string raw = cut == std::string::npos ? std::string() : input.substr(cut + 4);
  std::vector<std::string> name;
  std::istringstream text_lines(names);
  for (std::string line; name.size() < 8 && std::getline(text_lines, line);) name.push_back(line);
  name.resize(8);
  std::vector<double> values(raw.size() / 8);
  for (std::size_t i = 0; i < values.size(); ++i) std::memcpy(&values[i], raw.data() + 8 * i, 8);

  twinser::run_record run;
  run.control_file = name[0];
  run.report_file = name[1];
  run.observed = {name[2], name[3], name[4], 24, 1, 1990, 12, 1990};
  run.simulated = {name[5], name[6], name[7], 24, 1, 1990, 12, 1990};
  std::size_t used = 0;
  auto next = [&values, &used] { return used < values.size() ? values[used++] : 0.0; };
  twinser::fit_row fit;
  for (const measure& m : measures) fit.*m.field = next();
  run.whole_period = fit;
  run.yearly.push_back({1990, fit});
  run.monthly.push_back({1, fit});
  const double o = next(), s = next(), d = next(), p = next();
  twinser::difference_row largest;
  largest.year = 1990;
  largest.month = largest.day = 1;
  largest.obs = o;
  largest.sim = s;
  largest.diff = d;
  largest.pct_error = p;
  run.largest.push_back(largest);
  twinser::class_record classes;
  classes.rows.push_back({o, s, true, fit});
  run.selections.emplace_back(std::in_place_type<twinser::class_record>, classes);
  std::vector<double> obs, sim;
  for (std::size_t i = used; i + 1 < values.size(); i += 2) {
    obs.push_back(values[i]);
    sim.push_back(values[i + 1]);
  }
  const int lines = static_cast<int>(obs.size());
  const double area = values.empty() ? 0.0 : values[0];
  run.data.lines = run.data.good = lines;
  run.data.step = 24;
  run.data.area = area;
  run.data.max_observed = d;
  run.data.read_hours = run.data.good_hours = 24LL * lines;
  run.data.flow = area > 0;
  run.data.first_month = 1;
  run.data.first_year = 1990;
  run.data.last_month = 12;
  run.data.last_year = 1990;
  const twinser::store_view store{obs.data(), sim.data(), lines, 24, 1, 1990};

  const std::string json_path = scratch() + "/run.json", html_path = scratch() + "/run.html";
  require(twinser_view::write_summary(run, store, json_path), "the summary was not written");
  require(twinser_view::write_page_file(run, store, html_path), "the page was not written");
  const nlohmann::ordered_json summary =
      nlohmann::ordered_json::parse(file_text(json_path), nullptr, false);
  require(!summary.is_discarded(), "the summary file is not JSON");
  for (std::size_t i = 0; i < measure_count; ++i) {
    const auto& v = summary["whole_period"][measures[i].key];
    const double given = fit.*measures[i].field;
    if (std::isfinite(given)) require(v.is_number() && v.get<double>() == given, "a measure changed");
    else require(v.is_null(), "nan or inf is not null");
  }

  const std::string page = file_text(html_path);
  std::string lower = page;
  std::transform(lower.begin(), lower.end(), lower.begin(),
                 [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
  require(count(lower, "<script") == 6 && count(lower, "</script") == 6,
          "a name opened or closed a script");
  require(count(lower, "<style") == 2 && count(lower, "</style") == 2, "a name touched a style");
  require(count(lower, "<title") == 1 && count(lower, "</title") == 1, "a name touched the title");
  require(count(lower, "<!--") == 0, "a name opened a comment");
  require(between(page, "<title>", "</title>").find('<') == std::string::npos,
          "markup inside the title");
  const nlohmann::ordered_json inside = nlohmann::ordered_json::parse(
      between(page, "id=\"twinser-summary\">", "</script>"), nullptr, false);
  require(!inside.is_discarded(), "the summary in the page is not JSON");
  require(inside == summary, "the summary in the page is not the summary file's");
  check_series(between(page, "id=\"twinser-obs\">", "</script>"), obs);
  check_series(between(page, "id=\"twinser-sim\">", "</script>"), sim);
}

#ifdef __AFL_FUZZ_TESTCASE_LEN
// Under afl-clang-fast: many inputs in one process (the writers keep no state
// between runs). The fuzzer's macros use a compiler extension.
#pragma clang diagnostic ignored "-Wgnu-statement-expression"
__AFL_FUZZ_INIT();
int main() {
  __AFL_INIT();
  const unsigned char* buf = __AFL_FUZZ_TESTCASE_BUF;
  while (__AFL_LOOP(10000))
    check_run(std::string(reinterpret_cast<const char*>(buf), __AFL_FUZZ_TESTCASE_LEN));
  return 0;
}
#else
int main(int argc, char** argv) {
  std::string input;
  if (argc > 1) {
    std::ifstream in(argv[1], std::ios::binary);
    input.assign(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
  } else {
    input.assign(std::istreambuf_iterator<char>(std::cin), std::istreambuf_iterator<char>());
  }
  check_run(input);
  return 0;
}
#endif
