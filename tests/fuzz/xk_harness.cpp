// Fuzz harness for twinser-xk's readers. The first byte of an input picks
// the options, the rest is the CSV file, or the NetCDF file with bit 5:
//
//   bit 0  --stamp begin            bit 3  --value-col value (by name)
//   bit 1  --missing-below 0        bit 4  --date-col 2 --value-col 3
//   bit 2  --mm-to-cms 100          bit 5  NetCDF: --var streamflow
//   bit 6  CSV: --time-col 2 --value-col 3, or --date-only; NetCDF: --station-id 08159000
//   bit 7  CSV: --flag-col 3 --missing-flags E,B --from-unit in --skip 1 --date-format %Y/%m/%d
//          (the date format with bit 0 too); NetCDF: --station-index 2
//
// Each input is read, placed on its lines and, when the series is short
// enough to write in memory, written; a fault in the input is an input_error
// and ends that input quietly. The counts must add up, or the harness aborts.
#include "xk.h"

#include <cmath>
#include <cstdlib>
#include <fstream>
#include <iostream>
#include <iterator>
#include <sstream>
#include <string>
#include <unistd.h>

#ifdef __AFL_FUZZ_TESTCASE_LEN
// AFL++'s persistent mode: many inputs per process, through shared memory.
#pragma clang diagnostic ignored "-Wgnu-statement-expression"
__AFL_FUZZ_INIT();
#endif

namespace {

void check(bool ok) {
  if (!ok) std::abort();
}

void one_input(const unsigned char* data, std::size_t size) {
  if (size == 0) return;
  const unsigned flags = data[0];
  xk::options opt;
  opt.unit = "MM";
  opt.stamp_begin = flags & 1;
  opt.has_missing_below = flags & 2;
  opt.has_area = flags & 4;
  if (opt.has_area) {
    opt.unit = "CMS";
    opt.area_km2 = 100;
  }
  if (flags & 8) opt.value_col = "value";
  if (flags & 16) {
    opt.date_col = "2";
    opt.value_col = "3";
  }
  const bool netcdf = flags & 32;
  if (netcdf) {
    opt.var = "streamflow";
    if (flags & 64) opt.station_id = "08159000";
    if (flags & 128) opt.station_index = 2;
  } else {
    if (flags & 64) {
      if (flags & 8) {
        opt.date_only = true;
      } else {
        opt.time_col = "2";
        opt.value_col = "3";
      }
    }
    if (flags & 128) {
      opt.flag_col = "3";
      opt.missing_flags = {"E", "B"};
      opt.skip = 1;
      if (!opt.has_area) {
        opt.from_unit = "in";
        if (flags & 1) opt.date_format = "%Y/%m/%d";
      }
    }
  }
  std::string_view input(reinterpret_cast<const char*>(data + 1), size - 1);
  try {
    xk::table t = netcdf ? xk::read_netcdf(input, opt) : xk::read_csv(input, opt);
    xk::series s = xk::make_series(t, opt);
    check(!xk::first_step_text(t, s, opt).empty());
    for (double v : s.value) check(std::isfinite(v));
    check(s.step > 0 && 24 % s.step == 0);
    check(s.values + s.missing.total() == s.lines);
    check(!s.at.empty() && s.at.size() == s.value.size() && s.at.back() < s.lines);
    for (std::size_t i = 1; i < s.at.size(); ++i) check(s.at[i] > s.at[i - 1]);
    if (s.lines <= 20000) {
      std::ostringstream out;
      xk::write_xk(out, s, opt, "fuzz.csv");
      // the header lines, then one line per step
      std::string text = out.str();
      long long ends = 0;
      for (char c : text) ends += c == '\n';
      check(ends == s.lines + 4 + (opt.has_area ? 1 : 0));
    }
  } catch (const xk::input_error&) {
  }
}

} // namespace

int main(int argc, char** argv) {
#ifdef __AFL_FUZZ_TESTCASE_LEN
  (void)argc;
  (void)argv;
  __AFL_INIT();
  const unsigned char* buf = __AFL_FUZZ_TESTCASE_BUF;
  while (__AFL_LOOP(10000)) one_input(buf, static_cast<std::size_t>(__AFL_FUZZ_TESTCASE_LEN));
#else
  std::string input;
  if (argc > 1) {
    std::ifstream in(argv[1], std::ios::binary);
    input.assign(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
  } else {
    input.assign(std::istreambuf_iterator<char>(std::cin), std::istreambuf_iterator<char>());
  }
  one_input(reinterpret_cast<const unsigned char*>(input.data()), input.size());
#endif
  return 0;
}
