// twinser-xk entry: the command line, the CSV or NetCDF file read whole, the
// series file written under a temporary name and renamed into place, so that
// a fault or an interrupt never leaves a half-written series file behind.
#include "xk.h"

#include <CLI/CLI.hpp>

#include <cerrno>
#include <climits>
#include <cmath>
#include <csignal>
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

void warn(const std::string& what) { std::cerr << "twinser-xk: warning: " << what << "\n"; }

// Options that CLI11 cannot check by itself.
void check_options(xk::options& opt) {
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
  for (const std::string* col : {&opt.time_col, &opt.flag_col})
    if (!col->empty() && col->find_first_not_of('0') == std::string::npos)
      fail("", "--time-col and --flag-col take a column name or a number from 1");
  if (opt.date_only && !opt.time_col.empty())
    fail("", "--date-only and --time-col exclude each other: join the time with --time-col, or drop it with --date-only");
  if (opt.flag_col.empty() != opt.missing_flags.empty())
    fail("", "--flag-col and --missing-flags go together: the column of the flags, and the flags that mark a "
             "value missing (for example --flag-col SYM --missing-flags B,E)");
  for (const std::string& flag : opt.missing_flags)
    if (flag.empty()) fail("", "--missing-flags: an empty flag in the list; give flags separated by commas");
  if (opt.has_scale && !(std::isfinite(opt.scale) && opt.scale != 0))
    fail("", "--scale: give a finite factor other than 0");
  if (opt.has_scale && !opt.from_unit.empty())
    fail("", "--scale and --from-unit exclude each other: --from-unit knows the factor of its unit");
  if (opt.skip < 0) fail("", "--skip: give a number of lines from 0");
  if (!opt.station_id.empty() && opt.station_index != 0)
    fail("", "--station-index and --station-id exclude each other: choose the station by one of them");
  if (opt.station_index < 0) fail("", "--station-index: stations are counted from 1");
  try {
    xk::check_units(opt);
  } catch (const xk::input_error& e) {
    fail("", e.what());
  }
  // the series format holds five characters of the code
  if (opt.station.size() > 5) {
    std::string cut = opt.station.substr(0, 5);
    warn("--station \"" + opt.station + "\" is cut to the 5 characters a series file holds: \"" + cut + "\"");
    opt.station = cut;
  }
}

// The options that only a CSV file, or only a NetCDF file, has a use for.
void check_input_kind(const xk::options& opt, bool netcdf, const std::string& in_name,
                      const std::vector<std::pair<std::string, std::size_t>>& given) {
  static const std::vector<const char*> csv_only = {"--date-col",    "--value-col", "--time-col",
                                                    "--date-only",   "--skip",      "--date-format",
                                                    "--flag-col",    "--missing-flags"};
  static const std::vector<const char*> netcdf_only = {"--var", "--station-index", "--station-id"};
  for (const auto& [name, count] : given) {
    if (count == 0) continue;
    for (const char* o : netcdf ? csv_only : netcdf_only)
      if (name == o)
        fail(in_name, std::string(netcdf ? "is a NetCDF file, which " : "is not a NetCDF file, and ") + o +
                          (netcdf ? " has no use for; choose the series with --var and --station-index or "
                                    "--station-id"
                                  : " reads NetCDF files only"));
  }
  (void)opt;
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

// ------------------------------------------------------------ the series file

// The temporary file while it exists, for the signal handler to remove: a
// run interrupted by Ctrl-C or kill leaves nothing behind.
char temp_path[PATH_MAX + 1];
volatile std::sig_atomic_t temp_live = 0;

extern "C" void remove_temp_and_die(int sig) {
  if (temp_live) unlink(temp_path);
  std::signal(sig, SIG_DFL);
  std::raise(sig);
}

void catch_interrupts() {
  for (int sig : {SIGINT, SIGTERM, SIGHUP, SIGQUIT}) {
    struct sigaction sa = {};
    sa.sa_handler = remove_temp_and_die;
    sigemptyset(&sa.sa_mask);
    sigaction(sig, &sa, nullptr);
  }
  // beyond a file size limit (ulimit -f) a write fails with EFBIG and the run
  // stops with a message, instead of being killed with its temporary file left
  std::signal(SIGXFSZ, SIG_IGN);
}

// What OUT.xk may be: absent, or a regular file, which is replaced. A
// symbolic link is followed: the file it points to is replaced and the link
// kept. A device, a directory, a pipe or a link to one is refused, so that
// `twinser-xk ... /dev/null` never turns a device into a file.
std::string output_target(const std::string& name) {
  struct stat st;
  if (lstat(name.c_str(), &st) != 0) {
    if (errno == ENOENT) return name;
    fail(name, std::string("cannot be written: ") + std::strerror(errno));
  }
  std::string target = name;
  if (S_ISLNK(st.st_mode)) {
    char* real = realpath(name.c_str(), nullptr);
    if (!real)
      fail(name, std::string("is a symbolic link whose file cannot be found (") + std::strerror(errno) +
                     "); name the series file itself");
    target = real;
    std::free(real);
    if (stat(target.c_str(), &st) != 0) fail(name, std::string("cannot be written: ") + std::strerror(errno));
  }
  if (!S_ISREG(st.st_mode)) {
    const char* what = S_ISDIR(st.st_mode)   ? "a directory"
                       : S_ISCHR(st.st_mode) ? "a character device"
                       : S_ISBLK(st.st_mode) ? "a block device"
                       : S_ISFIFO(st.st_mode) ? "a pipe"
                       : S_ISSOCK(st.st_mode) ? "a socket"
                                              : "not a regular file";
    fail(name, std::string(target != name ? "is a link to " + target + ", " : "is ") + what +
                   ", not a series file; name a regular file to write");
  }
  return target;
}

// The series file under a temporary name beside its final one, then renamed:
// readers see either the old file or the whole new one. The temporary name
// is the final one with a dot before it and six characters after it, the
// final name cut so that the whole stays within the 255 bytes of a name.
void write_atomically(const std::string& name, const xk::series& s, const xk::options& opt,
                      const std::string& source) {
  std::string dir = ".", base = name;
  if (auto slash = name.find_last_of('/'); slash != std::string::npos) {
    dir = slash == 0 ? "/" : name.substr(0, slash);
    base = name.substr(slash + 1);
  }
  constexpr std::size_t name_max = 255, added = 8; // "." before, ".XXXXXX" after
  std::string temp = dir + "/." + base.substr(0, name_max - added) + ".XXXXXX";
  if (temp.size() > PATH_MAX) fail(name, "cannot be written: the name is too long");
  sigset_t block, old;
  sigemptyset(&block);
  for (int sig : {SIGINT, SIGTERM, SIGHUP, SIGQUIT}) sigaddset(&block, sig);
  sigprocmask(SIG_BLOCK, &block, &old); // no interrupt between creating the file and noting its name
  int fd = mkstemp(temp.data());
  if (fd >= 0) {
    std::memcpy(temp_path, temp.c_str(), temp.size() + 1);
    temp_live = 1;
  }
  int made = errno;
  sigprocmask(SIG_SETMASK, &old, nullptr);
  if (fd < 0) fail(name, std::string("cannot be written: ") + std::strerror(made));
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
  sigprocmask(SIG_BLOCK, &block, &old);
  bool renamed = ok && std::rename(temp.c_str(), name.c_str()) == 0;
  if (ok && !renamed) err = errno;
  if (!renamed) std::remove(temp.c_str());
  temp_live = 0;
  sigprocmask(SIG_SETMASK, &old, nullptr);
  if (!renamed) fail(name, std::string("cannot be written: ") + std::strerror(err));
}

// One line: the period, the step, how many lines hold a value and why the
// others hold -999, and which step the first value went to.
std::string summary(const std::string& out_name, const xk::table& t, const xk::series& s, const xk::options& opt,
                    bool netcdf) {
  const xk::missing_counts& m = s.missing;
  std::ostringstream text;
  text << out_name << ": " << s.first_month << "/" << s.first_year << " to " << s.last_month << "/" << s.last_year
       << ", " << s.step << "-hour steps" << (t.time_col_name.empty() ? "" : " (date and time joined)") << ", "
       << opt.unit << ", " << s.lines << " lines: " << s.values
       << " values, " << m.total() << " missing (-999): " << m.not_a_number << " NaN or NA, " << m.empty
       << " empty, " << m.non_numeric << " not a number, ";
  if (opt.has_missing_below) text << m.below << " below " << opt.missing_below << ", ";
  if (!opt.flag_col.empty()) text << m.flagged << " flagged, ";
  if (netcdf) text << m.fill << " fill values, ";
  text << m.marker << " already -999, " << m.gap << " in gaps, " << m.padding << " padding to whole months; "
       << xk::first_step_text(t, s, opt) << "\n";
  return text.str();
}

} // namespace

int main(int argc, char** argv) {
  xk::options opt;
  std::string in_name, out_name, stamp = "end", flags;
  CLI::App app{"Writes an XK series file for twinser from a CSV or NetCDF file of dates and values.", "twinser-xk"};
  app.footer("A date alone is that day's step. A date-time marks the END of its step unless\n"
             "--stamp begin is given: on an hourly series the value stamped 2010-10-01 00:00\n"
             "belongs to the last hour of 30 September. Empty, NaN, NA and other non-numeric\n"
             "cells, rows the dates skip and the padding to whole months are written as -999.\n"
             "See twinser-xk(1) for a worked example of each file layout.");
  app.set_version_flag("--version", VERSION);
  app.add_option("--unit", opt.unit, "Unit of the series file: CMS, MM, DEGC or DEGF")
      ->required()
      ->transform(CLI::IsMember({"CMS", "MM", "DEGC", "DEGF"}, CLI::ignore_case));
  app.add_option("--date-col", opt.date_col, "Date column, by header name or number from 1 (default 1)");
  app.add_option("--value-col", opt.value_col, "Value column, by header name or number from 1 (default 2)");
  auto* time_col = app.add_option("--time-col", opt.time_col, "Time-of-day column joined to the date column");
  auto* date_only = app.add_flag("--date-only", opt.date_only,
                                 "Take each date as that day's step, whatever time column stands beside it");
  auto* date_format =
      app.add_option("--date-format", opt.date_format, "Form of the dates in strftime letters, e.g. %d.%m.%Y");
  auto* skip = app.add_option("--skip", opt.skip, "Lines to skip before the header");
  auto* flag_col = app.add_option("--flag-col", opt.flag_col, "Quality-flag column");
  auto* missing_flags =
      app.add_option("--missing-flags", flags, "Flags, separated by commas, whose values are missing (-999)");
  app.add_option("--from-unit", opt.from_unit, "Unit of the values in the file: cfs, l/s, m3/s, mm, in, degC, degF, K");
  auto* scale = app.add_option("--scale", opt.scale, "Multiply every value by K");
  scale->type_name("K");
  auto* var = app.add_option("--var", opt.var, "NetCDF: the variable that holds the series");
  auto* station_index =
      app.add_option("--station-index", opt.station_index, "NetCDF: the station, counted from 1");
  auto* station_id = app.add_option("--station-id", opt.station_id,
                                    "NetCDF: the station whose id (cf_role timeseries_id) is ID");
  app.add_option("--station", opt.station, "Station code of up to 5 characters for columns 1-5");
  app.add_option("--stamp", stamp, "A date-time marks the end (default) or the beginning of its step")
      ->check(CLI::IsMember({"end", "begin"}));
  auto* below = app.add_option("--missing-below", opt.missing_below, "Values below X are missing (-999)");
  auto* area = app.add_option("--mm-to-cms", opt.area_km2,
                              "Convert a depth in mm per step to m3/s over a basin of AREA_KM2 km2");
  area->type_name("AREA_KM2");
  below->type_name("X");
  app.add_option("IN", in_name, "CSV file with a date or date-time column and a value column, or NetCDF file")
      ->required();
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
  opt.has_scale = scale->count() > 0;
  if (missing_flags->count() > 0) {
    std::size_t from = 0;
    do {
      std::size_t comma = flags.find(',', from);
      opt.missing_flags.push_back(flags.substr(from, comma == std::string::npos ? std::string::npos : comma - from));
      from = comma == std::string::npos ? std::string::npos : comma + 1;
    } while (from != std::string::npos);
  }
  check_options(opt);
  if (common::same_file(in_name, out_name)) fail(out_name, "is the input file itself; name another series file");
  const std::string target = output_target(out_name);
  catch_interrupts();

  std::string bytes = read_all(in_name);
  const bool netcdf = xk::is_netcdf(bytes);
  check_input_kind(opt, netcdf, in_name,
                   {{"--date-col", app.count("--date-col")}, {"--value-col", app.count("--value-col")},
                    {"--time-col", time_col->count()}, {"--date-only", date_only->count()},
                    {"--skip", skip->count()}, {"--date-format", date_format->count()},
                    {"--flag-col", flag_col->count()}, {"--missing-flags", missing_flags->count()},
                    {"--var", var->count()}, {"--station-index", station_index->count()},
                    {"--station-id", station_id->count()}});
  xk::table t;
  xk::series s;
  try {
    t = netcdf ? xk::read_netcdf(bytes, opt) : xk::read_csv(bytes, opt);
    s = xk::make_series(t, opt);
  } catch (const xk::input_error& e) {
    std::string where = in_name;
    if (e.line > 0) where += netcdf ? ": time " + std::to_string(e.line) + " of " + opt.var : ":" + std::to_string(e.line);
    fail(where, e.what());
  } catch (const std::bad_alloc&) {
    fail(in_name, "too large to hold in memory");
  }
  write_atomically(target, s, opt, in_name);
  std::cout << summary(out_name, t, s, opt, netcdf);
  return 0;
}
