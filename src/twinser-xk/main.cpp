// twinser-xk entry: the command line, the CSV file read whole, the series
// file written under a temporary name and renamed into place, so that a fault
// never leaves a half-written series file behind.
#include "xk.h"

#include <CLI/CLI.hpp>

#include <cerrno>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <iostream>
#include <sstream>
#include <sys/stat.h>
#include <unistd.h>

namespace {

constexpr const char* VERSION = "twinser-xk " TWINSER_VERSION;

[[noreturn]] void fail(const std::string& where, const std::string& what) {
  std::cerr << "twinser-xk: " << where << (where.empty() ? "" : ": ") << what << "\n";
  std::exit(1);
}

// Options that CLI11 cannot check by itself.
void check_options(const xk::options& opt) {
  if (opt.station.size() > 5) fail("", "--station: a code of at most 5 characters fits columns 1-5");
  for (char c : opt.station)
    if (c < 0x20 || c > 0x7e || c == '$')
      fail("", "--station: printable ASCII characters only, and no \"$\" (it marks a comment line)");
  if (opt.has_area && opt.unit != "CMS") fail("", "--mm-to-cms writes flows: give --unit CMS");
  if (opt.has_area && !(opt.area_km2 > 0 && std::isfinite(opt.area_km2)))
    fail("", "--mm-to-cms: the basin area must be a number of square kilometres above 0");
  if (opt.has_missing_below && !std::isfinite(opt.missing_below)) fail("", "--missing-below: give a number");
  for (const std::string* col : {&opt.date_col, &opt.value_col})
    if (col->empty() || *col == "0" || col->find_first_not_of('0') == std::string::npos)
      fail("", "--date-col and --value-col take a column name or a number from 1");
}

std::string read_all(const std::string& name) {
  struct stat st;
  if (stat(name.c_str(), &st) == 0 && S_ISDIR(st.st_mode)) fail(name, "is a directory, not a CSV file");
  std::ifstream in(name, std::ios::binary);
  if (!in) fail(name, std::string("cannot be read: ") + std::strerror(errno));
  std::ostringstream bytes;
  bytes << in.rdbuf();
  if (in.bad()) fail(name, "cannot be read");
  return bytes.str();
}

// The series file under a temporary name beside its final one, then renamed:
// readers see either the old file or the whole new one.
void write_atomically(const std::string& name, const xk::series& s, const xk::options& opt,
                      const std::string& source) {
  std::string dir = ".", base = name;
  if (auto slash = name.find_last_of('/'); slash != std::string::npos) {
    dir = slash == 0 ? "/" : name.substr(0, slash);
    base = name.substr(slash + 1);
  }
  std::string temp = dir + "/." + base + ".XXXXXX";
  int fd = mkstemp(temp.data());
  if (fd < 0) fail(name, std::string("cannot be written: ") + std::strerror(errno));
  mode_t mask = umask(0);
  umask(mask);
  bool ok = fchmod(fd, 0666 & ~mask) == 0;
  ok = close(fd) == 0 && ok;
  if (ok) {
    std::ofstream out(temp, std::ios::binary | std::ios::trunc);
    xk::write_xk(out, s, opt, source);
    out.close();
    ok = !out.fail();
  }
  int err = errno;
  if (ok && std::rename(temp.c_str(), name.c_str()) == 0) return;
  if (ok) err = errno;
  std::remove(temp.c_str());
  fail(name, std::string("cannot be written: ") + std::strerror(err));
}

// One line: the period, the step, how many lines hold a value and why the
// others hold -999.
std::string summary(const std::string& out_name, const xk::series& s, const xk::options& opt) {
  const xk::missing_counts& m = s.missing;
  std::ostringstream text;
  text << out_name << ": " << s.first_month << "/" << s.first_year << " to " << s.last_month << "/" << s.last_year
       << ", " << s.step << "-hour steps, " << opt.unit << ", " << s.lines << " lines: " << s.values
       << " values, " << m.total() << " missing (-999): " << m.not_a_number << " NaN or NA, " << m.empty
       << " empty, " << m.non_numeric << " not a number, ";
  if (opt.has_missing_below) text << m.below << " below " << opt.missing_below << ", ";
  text << m.marker << " already -999, " << m.gap << " in gaps, " << m.padding << " padding to whole months\n";
  return text.str();
}

} // namespace

int main(int argc, char** argv) {
  xk::options opt;
  std::string in_name, out_name, stamp = "end";
  CLI::App app{"Writes an XK series file for twinser from a CSV file of dates and values.", "twinser-xk"};
  app.footer("A date alone is that day's step. A date-time marks the END of its step unless\n"
             "--stamp begin is given: on an hourly series the value stamped 2010-10-01 00:00\n"
             "belongs to the last hour of 30 September. Empty, NaN, NA and other non-numeric\n"
             "cells, rows the dates skip and the padding to whole months are written as -999.");
  app.set_version_flag("--version", VERSION);
  app.add_option("--unit", opt.unit, "Unit of the series file: CMS, MM, DEGC or DEGF")
      ->required()
      ->transform(CLI::IsMember({"CMS", "MM", "DEGC", "DEGF"}, CLI::ignore_case));
  app.add_option("--date-col", opt.date_col, "Date column, by header name or number from 1 (default 1)");
  app.add_option("--value-col", opt.value_col, "Value column, by header name or number from 1 (default 2)");
  app.add_option("--station", opt.station, "Station code of up to 5 characters for columns 1-5");
  app.add_option("--stamp", stamp, "A date-time marks the end (default) or the beginning of its step")
      ->check(CLI::IsMember({"end", "begin"}));
  auto* below = app.add_option("--missing-below", opt.missing_below, "Values below X are missing (-999)");
  auto* area = app.add_option("--mm-to-cms", opt.area_km2,
                              "Convert a depth in mm per step to m3/s over a basin of AREA_KM2 km2");
  area->type_name("AREA_KM2");
  below->type_name("X");
  app.add_option("IN.csv", in_name, "CSV file with a date or date-time column and a value column")->required();
  app.add_option("OUT.xk", out_name, "Series file to write")->required();
  try {
    app.parse(argc, argv);
  } catch (const CLI::ParseError& e) {
    if (e.get_exit_code() == 0) return app.exit(e);
    std::cerr << "twinser-xk: " << e.what() << "\nRun with --help for more information.\n";
    return 1;
  }
  opt.stamp_begin = stamp == "begin";
  opt.has_missing_below = below->count() > 0;
  opt.has_area = area->count() > 0;
  check_options(opt);
  if (common::same_file(in_name, out_name)) fail(out_name, "is the CSV file itself; name another series file");

  std::string bytes = read_all(in_name);
  xk::series s;
  try {
    s = xk::make_series(xk::read_csv(bytes, opt), opt);
  } catch (const xk::input_error& e) {
    fail(e.line > 0 ? in_name + ":" + std::to_string(e.line) : in_name, e.what());
  } catch (const std::bad_alloc&) {
    fail(in_name, "too large to hold in memory");
  }
  write_atomically(out_name, s, opt, in_name);
  std::cout << summary(out_name, s, opt);
  return 0;
}
