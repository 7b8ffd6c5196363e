// Fuzz harness for the HTML page: arbitrary bytes as names, arbitrary doubles
// as measures and series values. One input:
//
//   <names, one a line>\n%%\n<raw 8-byte doubles>
//
// The names fill every string of the summary a run takes from its inputs
// (control and report file, both series' file, station and unit); the doubles
// fill the whole-period measures, then the observed and simulated series in
// turn (nan, inf, huge, tiny and -999 among them). The page is written and
// checked; any breach aborts, which the fuzzer reports as a crash:
// - the page holds its own six scripts, two styles and one title, however
//   the names are spelt (tags read without regard to case), and no comment;
// - the embedded summary reads back as JSON with every measure equal to the
//   one given (nan and inf as null);
// - the series read back to the values drawn: -999 and nan as nan, beyond
//   single range as infinity, else the value rounded to single.
#include "page.h"

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
#include <vector>

namespace {

void require(bool ok, const char* what) {
  if (!ok) {
    std::fprintf(stderr, "page fault: %s\n", what);
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

const char* const keys[] = {"n", "percent_bias", "abs_percent_bias", "obs_mean", "sim_mean",
                            "obs_std", "sim_std", "obs_cv", "sim_cv", "percent_rms", "rms",
                            "r", "nash_r", "rm", "line_a", "line_b", "nse", "kge_2009",
                            "kge_2012", "mae"};

} // namespace

// One input, written as a page and checked.
static void check_page(const std::string& input) {
  const std::size_t cut = input.find("\n%%\n");
  const std::string names = input.substr(0, cut);
  const std::string raw = cut == std::string::npos ? std::string() : input.substr(cut + 4);

  std::vector<std::string> name;
  std::istringstream lines(names);
  for (std::string line; name.size() < 8 && std::getline(lines, line);) name.push_back(line);
  name.resize(8);
  std::vector<double> values(raw.size() / 8);
  for (std::size_t i = 0; i < values.size(); ++i) std::memcpy(&values[i], raw.data() + 8 * i, 8);

  nlohmann::ordered_json s;
  s["schema"] = "twinser-summary/1";
  s["control_file"] = name[0];
  s["report_file"] = name[1];
  for (int k = 0; k < 2; ++k) {
    auto& f = s["series"][k ? "simulated" : "observed"];
    f["file"] = name[2 + 3 * k];
    f["station"] = name[3 + 3 * k];
    f["unit"] = name[4 + 3 * k];
    f["step_hours"] = 24;
  }
  const std::size_t measures = std::min<std::size_t>(values.size(), 20);
  for (std::size_t i = 0; i < measures; ++i) s["whole_period"][keys[i]] = values[i];
  std::vector<double> obs, sim;
  for (std::size_t i = measures; i + 1 < values.size(); i += 2) {
    obs.push_back(values[i]);
    sim.push_back(values[i + 1]);
  }
  s["period"]["lines"] = obs.size();

  std::ostringstream html;
  twinser_view::write_page(html, s, obs.data(), sim.data(), static_cast<int>(obs.size()));
  const std::string page = html.str();
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

  const std::string text = between(page, "id=\"twinser-summary\">", "</script>");
  const nlohmann::ordered_json back = nlohmann::ordered_json::parse(text, nullptr, false);
  require(!back.is_discarded(), "the embedded summary is not JSON");
  for (std::size_t i = 0; i < measures; ++i) {
    const auto& v = back["whole_period"][keys[i]];
    if (std::isfinite(values[i])) require(v.is_number() && v.get<double>() == values[i], "a measure changed");
    else require(v.is_null(), "nan or inf is not null");
  }
  check_series(between(page, "id=\"twinser-obs\">", "</script>"), obs);
  check_series(between(page, "id=\"twinser-sim\">", "</script>"), sim);
}

#ifdef __AFL_FUZZ_TESTCASE_LEN
// Under afl-clang-fast: many inputs in one process (the writer keeps no state
// between pages). The fuzzer's macros use a compiler extension.
#pragma clang diagnostic ignored "-Wgnu-statement-expression"
__AFL_FUZZ_INIT();
int main() {
  __AFL_INIT();
  const unsigned char* buf = __AFL_FUZZ_TESTCASE_BUF;
  while (__AFL_LOOP(10000))
    check_page(std::string(reinterpret_cast<const char*>(buf), __AFL_FUZZ_TESTCASE_LEN));
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
  check_page(input);
  return 0;
}
#endif
