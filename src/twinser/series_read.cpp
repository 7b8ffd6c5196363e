// Reading the two series files: the headers, the unit and step rules, the
// analysis period, and the two-thread fill of the series store.
#include "twinser.h"

#include <cctype>
#include <charconv>
#include <climits>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <iostream>
#include <memory>
#include <sstream>
#include <string>
#include <system_error>

namespace twinser {

namespace layout = common::series_layout;

// ------------------------------------------------------ series files
//
// An XK file, laid out as common/series_layout.h describes. Each file is read once, front to back, in chunks of 64 KiB
// that are used over and over; a line is found with memchr and parsed where it
// lies in the chunk. Only header lines are ever copied out whole.

namespace {

constexpr std::size_t CHUNK = 64 * 1024; // bytes asked of a series file at a time

// One series file while it is read.
struct series_file {
  const char* role;      // "observed" or "simulated", for messages
  std::string name;      // file name as given in the control file
  std::unique_ptr<std::FILE, int (*)(std::FILE*)> in{nullptr, std::fclose};
  std::unique_ptr<char[]> chunk; // CHUNK bytes: the part of the file in hand
  const char* pos = nullptr;     // next byte not yet consumed
  const char* end = nullptr;     // end of the bytes in hand
  bool drained = false;  // the file has given all it holds
  std::string long_line; // the deciding part of a data line longer than a chunk
  long long line = 0;    // lines consumed so far (the current line once started)
  long long period_line = 0; // line number of the second header line
  std::string station;   // columns 1-24 of the first header line, as written
  std::string unit;      // columns 25-28 of the first header line, as written
  int step = 0;          // hours per data line
  int first_month = 0, first_year = 0, last_month = 0, last_year = 0;
  int per_day = 0;       // data lines per day, 24 / step
  int sub = 0;           // data lines averaged into one line of the store
  int fault_line = INT_MAX; // store line whose value the file could not give, if any
  std::string fault;     // why, as the end of the message that stops the run
  series_file(const char* r, const std::string& n) : role(r), name(n) {}
};

} // namespace

[[noreturn]] static void file_error(const series_file& f, const std::string& what) {
  stop("Error: " + std::string(f.role) + " file " + f.name + what + "\n");
}

static std::string line_no(const series_file& f) { return std::to_string(f.line); }

static std::string ended_text(const series_file& f) {
  return " ends after line " + line_no(f) + ", before the last line of the analysis period";
}

[[noreturn]] static void ended(const series_file& f) { file_error(f, ended_text(f)); }

// Moves the bytes not yet consumed to the front of the chunk and reads on
// behind them. False when nothing more came: the file is drained, or the
// chunk is one unfinished line from end to end.
static bool read_more(series_file& f) {
  const std::size_t kept = static_cast<std::size_t>(f.end - f.pos);
  if (f.drained || kept == CHUNK) return false;
  char* front = f.chunk.get();
  std::memmove(front, f.pos, kept);
  const std::size_t want = CHUNK - kept;
  const std::size_t got = std::fread(front + kept, 1, want, f.in.get());
  if (got < want) f.drained = true; // end of file, or a read error: no more either way
  f.pos = front;
  f.end = front + kept + got;
  return got > 0;
}

// The next byte, or EOF when the file is drained.
static int next_char(series_file& f) {
  if (f.pos == f.end && !read_more(f)) return EOF;
  return static_cast<unsigned char>(*f.pos++);
}

// Reads one comment or header line without its line end (LF or CRLF). False
// when the file is at its end. A line longer than MAX_HEADER_LINE stops the
// run: a file without line ends (or /dev/zero) must not be held in memory.
static bool get_line(series_file& f, std::string& text) {
  text.clear();
  int c = next_char(f);
  if (c == EOF) return false;
  ++f.line;
  while (c != EOF && c != '\n') {
    if (text.size() >= layout::MAX_HEADER_LINE && !(text.size() == layout::MAX_HEADER_LINE && c == '\r'))
      file_error(f, ": line " + line_no(f) + ", before the first data line, is longer than " +
                        std::to_string(layout::MAX_HEADER_LINE) + " bytes");
    text.push_back(static_cast<char>(c));
    c = next_char(f);
  }
  if (!text.empty() && text.back() == '\r') text.pop_back();
  return true;
}

// Skips `count` whole data lines, however long; the last may lack its line end.
static void skip_lines(series_file& f, long long count) {
  for (long long i = 0; i < count; ++i) {
    if (f.pos == f.end && !read_more(f)) ended(f);
    ++f.line;
    for (;;) {
      const void* lf = std::memchr(f.pos, '\n', static_cast<std::size_t>(f.end - f.pos));
      if (lf != nullptr) {
        f.pos = static_cast<const char*>(lf) + 1;
        break;
      }
      f.pos = f.end;
      if (!read_more(f)) break; // the last line, without its line end
    }
  }
}

static bool is_blank(int c) { return c == ' ' || c == '\t' || c == '\v' || c == '\f'; }

// A whole-token integer such as " 6", "1990" or "-1": blanks around it, an
// optional sign, digits only; false for anything else or beyond an int.
static bool parse_int(const std::string& text, int& value) {
  std::size_t b = 0, e = text.size();
  while (b < e && is_blank(text[b])) ++b;
  while (e > b && is_blank(text[e - 1])) --e;
  bool negative = false;
  if (b < e && (text[b] == '+' || text[b] == '-')) negative = text[b++] == '-';
  if (b == e) return false;
  long long v = 0;
  for (; b < e; ++b) {
    if (!std::isdigit(static_cast<unsigned char>(text[b]))) return false;
    v = v * 10 + (text[b] - '0');
    if (v > 1LL + INT_MAX) return false;
  }
  if (negative) v = -v;
  if (v < INT_MIN || v > INT_MAX) return false;
  value = static_cast<int>(v);
  return true;
}

// Header lines: comments, the first header line (unit, step), the second
// header line (period). Anything that leaves the file unusable stops the run.
static void read_header(series_file& f) {
  std::string text;
  do {
    if (!get_line(f, text)) file_error(f, " ends before its first header line");
  } while ((text.size() > 0 && text[0] == layout::COMMENT) ||
           (text.size() > 1 && text[1] == layout::COMMENT));
  if (text.size() < layout::HEADER_WIDTH)
    file_error(f, ": its first header line (line " + line_no(f) + ") is shorter than 31 columns");
  f.station = text.substr(layout::STATION_COLUMN, layout::STATION_WIDTH);
  f.unit = text.substr(layout::UNIT_COLUMN, layout::UNIT_WIDTH);
  std::string step_text = text.substr(layout::STEP_COLUMN, layout::STEP_WIDTH);
  if (!parse_int(step_text, f.step) || f.step <= 0)
    file_error(f, ": the time step \"" + step_text + "\" in columns 30-31 of line " + line_no(f) +
                      " is not a whole number of hours above 0");
  if (!get_line(f, text)) file_error(f, " ends before its second header line");
  f.period_line = f.line;
  std::istringstream items(text);
  std::string word[6];
  for (auto& w : word) items >> w;
  int per_line = 0; // values per data line: the tool reads one per line whatever it says
  if (word[5].empty() || !parse_int(word[0], f.first_month) || !parse_int(word[1], f.first_year) ||
      !parse_int(word[2], f.last_month) || !parse_int(word[3], f.last_year) ||
      !parse_int(word[4], per_line))
    file_error(f, ": its second header line (line " + line_no(f) +
                      ") does not give first month, first year, last month, last year,"
                      " values per line and format");
}

static series_record record_of(const series_file& f) {
  return {f.name, f.station, f.unit, f.step, f.first_month, f.first_year, f.last_month, f.last_year};
}

// The file's block of the DATA INFORMATION, to the terminal and the report.
static void show_header(const series_file& f, const char* title) {
  std::ostringstream block;
  block << title << "  file: " << f.name << "\n"
        << "  It covers the time period from " << f.first_month << "/" << f.first_year << " to "
        << f.last_month << "/" << f.last_year << " in " << f.step << " hr intervals\n"
        << "  Its unit: " << f.unit << "\n\n";
  std::cout << block.str();
  out << block.str();
}

// The period of the second header line must be whole months in order, short
// enough that its hours fit the line arithmetic.
static void check_file_period(const series_file& f) {
  std::string period = std::to_string(f.first_month) + "/" + std::to_string(f.first_year) + " to " +
                       std::to_string(f.last_month) + "/" + std::to_string(f.last_year);
  std::string where = ": the period " + period + " of its second header line (line " +
                      std::to_string(f.period_line) + ") ";
  if (f.first_month < 1 || f.first_month > 12 || f.last_month < 1 || f.last_month > 12)
    file_error(f, where + "has a month outside 1 to 12");
  if (f.first_year < layout::FIRST_YEAR || f.first_year > layout::LAST_YEAR ||
      f.last_year < layout::FIRST_YEAR || f.last_year > layout::LAST_YEAR)
    file_error(f, where + "has a year outside " + std::to_string(layout::FIRST_YEAR) + " to " +
                      std::to_string(layout::LAST_YEAR));
  if (f.last_year < f.first_year || (f.last_year == f.first_year && f.last_month < f.first_month))
    file_error(f, where + "ends before it begins");
  if (month_lines(f.first_month, f.first_year, f.last_month, f.last_year, 1) > INT_MAX)
    file_error(f, where + "is too long to count in hours");
}

// ------------------------------------------------------ units and time step

// Equal unit texts are fine (DEGF or DEGC marks temperatures); different ones
// only when one of them is DEGF, which is converted to DEGC after reading.
static void unit_rule(const series_file& obs, const series_file& sim) {
  itemp = 0;
  if (obs.unit == sim.unit) {
    if (obs.unit == "DEGF" || obs.unit == "DEGC") itemp = 1;
  } else {
    say_both("\n Warning: Units in the two time series are different\n  --> SIMULATED UNIT=" +
             sim.unit + "  ||  OBSERVED UNIT=" + obs.unit + " <--\n\n");
    sunit_conv = ounit_conv = 0;
    if (sim.unit == "DEGF") {
      sunit_conv = itemp = 1;
      say_both(" The unit for simulated time series " + sim.unit + " has been converted as DEGC \n\n");
    }
    if (obs.unit == "DEGF") {
      ounit_conv = itemp = 1;
      say_both(" The unit for observed time series " + obs.unit + " has been converted as DEGC \n\n");
    }
    if (sunit_conv == 0 && ounit_conv == 0) {
      const std::string text = "\n Error: Units in the two time series are different\n"
                               "   They are not temperature time series\n\n";
      out << text;
      stop(text);
    }
  }
  if (itemp == 1) {
    std::cout << "Your time series is temperature!\n\n";
    out << " Your time series is temperature!\n\n";
  }
}

// The analysis step: the T record's value when the first selection record is
// T (a multiple of both file steps, at most a day), else the coarser of the
// two file steps, which must divide a day and each other.
static void settle_time_step(int o, int s) {
  if (data_meth() == 1 && std::toupper(static_cast<unsigned char>(selection)) == 'T') {
    int t = read_int("the time step of the T record");
    if (t > 24 || t < o || t < s)
      stop("given time step incompatible.\n"
           "must be greater than or equal to time steps found in data files,\n"
           "but not greater than 24hrs.\n"
           "please correct control file.\n\n");
    if (t % o != 0 || t % s != 0)
      stop("given time step incompatible.\n"
           "must be devisible by time steps used in both data files.\n"
           "please correct control file.\n\n");
    time_step = t;
    return;
  }
  if (24 % o != 0 || 24 % s != 0)
    stop("can't compare time steps used in data files\ntime steps must be multiples of 24\n\n");
  if (o > s && o % s == 0)
    time_step = o;
  else if (s % o == 0)
    time_step = s;
  else
    stop("can't compare time steps used in data files\ntime steps must be multiples of each other\n\n");
}

// ------------------------------------------------------ analysis period

static bool month_before(int m1, int y1, int m2, int y2) {
  return y1 < y2 || (y1 == y2 && m1 < m2);
}

static std::string month_text(int m, int y) { return std::to_string(m) + "/" + std::to_string(y); }

// A requested start applies unless both its month and year are negative; it
// may not lie before the common start cm/cy.
static void requested_start(int cm, int cy, int& sm, int& sy) {
  if (start_yr_a < 0 && start_mon_a < 0) return;
  const std::string early = "\nStarting analysis time error:\n  It is earlier than the time ";
  if (start_yr_a < cy) {
    if (start_mon_a > 12) stop("Start month error\n");
    stop(early + "in available data (error in year)\n\n");
  }
  if (start_yr_a == cy) {
    if (start_mon_a > 12) stop("Start month error\n");
    if (start_mon_a < cm) stop(early + "in available data (error in month)\n\n");
  }
  sm = start_mon_a;
  sy = start_yr_a;
}

// Likewise the requested end against the common end em/ey.
static void requested_end(int em, int ey, int& lm, int& ly) {
  if (end_yr_a < 0 && end_mon_a < 0) return;
  const std::string late = "\nEnding analysis time error:\n  It is later than the time ";
  if (end_yr_a > ey) {
    if (end_mon_a > 12) stop("End month error\n");
    stop(late + "in available data (error in year)\n\n");
  }
  if (end_yr_a == ey && end_mon_a > em) {
    if (end_mon_a > 12) stop("End month error\n");
    stop(late + "in available data (error in month)\n\n");
  }
  lm = end_mon_a;
  ly = end_yr_a;
}

// Settles month_begin/year_begin .. month_end/year_end from the common period
// of both files and the requested one.
static void analysis_period(int cm, int cy, int em, int ey) {
  int sm = cm, sy = cy, lm = em, ly = ey;
  requested_start(cm, cy, sm, sy);
  requested_end(em, ey, lm, ly);
  if (sm < 1 || sm > 12)
    stop("Error: the first month of the analysis period, " + std::to_string(sm) +
         ", is not a month from 1 to 12\n");
  if (lm < 1 || lm > 12)
    stop("Error: the last month of the analysis period, " + std::to_string(lm) +
         ", is not a month from 1 to 12\n");
  if (month_before(lm, ly, sm, sy))
    stop("Error: the analysis period would begin in " + month_text(sm, sy) + ", after its end in " +
         month_text(lm, ly) + "\n");
  month_begin = sm;
  year_begin = sy;
  month_end = lm;
  year_end = ly;
}

// The period and its counts, written before any value is read.
static void show_period(const series_file& obs, const series_file& sim) {
  std::string between = month_text(month_begin, year_begin) + " and " + month_text(month_end, year_end);
  int hours = hour_count(month_begin, year_begin, month_end, year_end, 1);
  int lo = hour_count(month_begin, year_begin, month_end, year_end, obs.step);
  int ls = hour_count(month_begin, year_begin, month_end, year_end, sim.step);
  std::cout << "Analysis will be conducted for data between " << between << "\n"
            << "\nTotal hours of data have been read are " << hours << "\n"
            << "Total lines of data read from observed data " << lo << "\n"
            << "Total lines of data read from simulated data " << ls << "\n\n";
  out << "   Analysis will be conducted for data between " << between << "\n"
      << "\n   Total hours of data have been read are " << hours << "\n"
      << "   Total lines of data read from observed data " << lo << "\n"
      << "   Total lines of data read from simulated data " << ls << "\n\n";
}

// Data lines of file f in the whole months from m1/y1 up to, not including, m2/y2.
static long long lines_before(const series_file& f, int m1, int y1, int m2, int y2) {
  return hour_count(m1, y1, m2, y2, f.step) - static_cast<long long>(days_of_month(m2, y2)) * f.per_day;
}

// A data line that does not end within a chunk: only its first 21 columns,
// the first white-space character after them (for the message on a line that
// has no value) and the run of number characters that follows can decide its
// value. They are kept in f.long_line; the rest of the line is passed over.
static void long_data_line(series_file& f) {
  std::string& kept = f.long_line;
  kept.clear();
  int c = next_char(f);
  for (; c != EOF && c != '\n' && kept.size() < layout::VALUE_COLUMN; c = next_char(f)) kept.push_back(static_cast<char>(c));
  if (c != EOF && c != '\n' && is_space(static_cast<char>(c))) kept.push_back(static_cast<char>(c));
  while (c != EOF && c != '\n' && is_space(static_cast<char>(c))) c = next_char(f);
  for (; c != EOF && c != '\n' && number_char(static_cast<char>(c)); c = next_char(f))
    kept.push_back(static_cast<char>(c));
  while (c != EOF && c != '\n') c = next_char(f);
}

// The next data line as the bytes [b, e) without its line end: in the chunk
// where it lies, or its deciding part when it is longer than a chunk. False
// when the file is at its end.
static bool next_data_line(series_file& f, const char*& b, const char*& e) {
  for (;;) {
    const void* lf = std::memchr(f.pos, '\n', static_cast<std::size_t>(f.end - f.pos));
    if (lf != nullptr) {
      b = f.pos;
      e = static_cast<const char*>(lf);
      f.pos = e + 1;
      ++f.line;
      return true;
    }
    if (!read_more(f)) break;
  }
  if (f.pos == f.end) return false; // drained, nothing left
  ++f.line;
  if (f.drained) { // the last line, without its line end
    b = f.pos;
    e = f.end;
    f.pos = f.end;
    return true;
  }
  long_data_line(f);
  b = f.long_line.data();
  e = b + f.long_line.size();
  return true;
}

// Keeps why a data line gives no value; the run stops on it once both files
// are read (see fill_series).
static bool fault(series_file& f, const std::string& what) {
  f.fault = what;
  return false;
}

// One data line: 21 columns skipped, the value, the rest of the line ignored.
static bool read_value(series_file& f, double& v) {
  const char* b = nullptr;
  const char* e = nullptr;
  if (!next_data_line(f, b, e)) return fault(f, ended_text(f));
  if (e - b < static_cast<std::ptrdiff_t>(layout::VALUE_COLUMN))
    return fault(f, ": line " + line_no(f) + " is shorter than 22 characters");
  b += layout::VALUE_COLUMN;
  switch (read_number(b, e, v)) {
  case value_text::number: return true;
  case value_text::too_large:
    return fault(f, ": the value on line " + line_no(f) + " is too large for a double");
  case value_text::none: break;
  }
  // a line that ends (or only has a CR) at column 22 is too short to hold a value
  if (b == e || *b == '\r') return fault(f, ": line " + line_no(f) + " is shorter than 22 characters");
  return fault(f, ": line " + line_no(f) + " holds no readable number after column 21");
}

// Inside an average: temperatures are missing only as -999 (they may be below
// zero); flows and depths are missing when negative.
static bool missing_in_average(double v) { return itemp == 1 ? is_missing(v) : v < 0; }

// One line of the store: the mean of the file's `sub` data lines that are not
// missing; when all are missing, the last one read (normally -999).
static bool line_value(series_file& f, double& value) {
  double sum = 0, v = 0;
  int missing = 0;
  for (int j = 0; j < f.sub; ++j) {
    if (!read_value(f, v)) return false;
    if (missing_in_average(v))
      ++missing;
    else
      sum += v;
  }
  value = missing == f.sub ? v : sum / (f.sub - missing);
  return true;
}

// Fills q, one line of the store after another, from the file; at the first
// line it cannot give, keeps that line in f.fault_line and stops reading.
static void fill_series(series_file& f, double* q) {
  for (int i = 0; i < LINES; ++i) {
    if (!line_value(f, q[i])) {
      f.fault_line = i;
      return;
    }
  }
}

// The two files are parsed side by side, the simulated one on a second
// thread; each writes only its own array and its own file record, so nothing
// depends on how the threads interleave. Then the run stops on the fault a
// line-by-line read meets first: on each line of the store the simulated
// value is read before the observed one.
static void fill_store(series_file& obs, series_file& sim) {
  std::future<void> simulated = start_beside([&sim] { fill_series(sim, Qsim); });
  fill_series(obs, Qobs);
  simulated.get();
  if (sim.fault_line != INT_MAX && sim.fault_line <= obs.fault_line) file_error(sim, sim.fault);
  if (obs.fault_line != INT_MAX) file_error(obs, obs.fault);
}

static void degf_to_degc(double* q) {
  for (int i = 0; i < LINES; ++i)
    if (!is_missing(q[i])) q[i] = (q[i] - 32) * 5 / 9;
}

// ------------------------------------------------------ the reading pass

static void open_series(series_file& f, const char* what) {
  f.in.reset(std::fopen(f.name.c_str(), "rb"));
  if (!f.in) stop(std::string("Cannot open ") + what + " file: " + f.name + "\n\n");
  std::setvbuf(f.in.get(), nullptr, _IONBF, 0); // whole chunks go straight into f.chunk
  f.chunk = std::make_unique_for_overwrite<char[]>(CHUNK);
  f.pos = f.end = f.chunk.get();
}

static void open_files(series_file& obs, series_file& sim) {
  open_series(obs, "observed");
  open_series(sim, "simulated");
  out.open(outfile, std::ios::out | std::ios::trunc);
  if (!out) stop("Cannot open output file: " + outfile + "\n\n");
  start_event_data();
}

// Both files positioned on the first month they share, the analysis period
// settled and written, and the store allocated.
static void align(series_file& obs, series_file& sim) {
  obs.per_day = 24 / obs.step;
  sim.per_day = 24 / sim.step;
  bool sim_later = month_before(obs.first_month, obs.first_year, sim.first_month, sim.first_year);
  int cm = sim_later ? sim.first_month : obs.first_month;
  int cy = sim_later ? sim.first_year : obs.first_year;
  bool sim_ends_first = month_before(sim.last_month, sim.last_year, obs.last_month, obs.last_year);
  int em = sim_ends_first ? sim.last_month : obs.last_month;
  int ey = sim_ends_first ? sim.last_year : obs.last_year;
  if (month_before(em, ey, cm, cy))
    stop("Error: the observed file (" + month_text(obs.first_month, obs.first_year) + " to " +
         month_text(obs.last_month, obs.last_year) + ") and the simulated file (" +
         month_text(sim.first_month, sim.first_year) + " to " + month_text(sim.last_month, sim.last_year) +
         ") have no month in common\n");
  if (sim_later)
    skip_lines(obs, lines_before(obs, obs.first_month, obs.first_year, cm, cy));
  else
    skip_lines(sim, lines_before(sim, sim.first_month, sim.first_year, cm, cy));

  analysis_period(cm, cy, em, ey);
  show_period(obs, sim);

  LINES = hour_count(month_begin, year_begin, month_end, year_end, time_step);
  Qobs = static_cast<double*>(store_array(static_cast<std::size_t>(LINES) * sizeof(double)));
  if (Qobs == nullptr) stop("Allocation error for observed data\n");
  Qsim = static_cast<double*>(store_array(static_cast<std::size_t>(LINES) * sizeof(double)));
  if (Qsim == nullptr) stop("Allocation error for simulated data\n");

  skip_lines(obs, lines_before(obs, cm, cy, month_begin, year_begin));
  skip_lines(sim, lines_before(sim, cm, cy, month_begin, year_begin));
}

void read_flow() {
  get_files();
  guard_outputs();
  series_file obs{"observed", obsfile};
  series_file sim{"simulated", simfile};
  open_files(obs, sim);
  std::cout << "\n";

  read_header(obs);
  out << "\n                       DATA INFORMATION \n"
         " ----------------------------------------------------------------- \n";
  show_header(obs, "OBSERVED DATA:\n");
  check_file_period(obs);
  read_header(sim);
  show_header(sim, "SIMULATED DATA:\n");
  check_file_period(sim);

  ctx.results.observed = record_of(obs);
  ctx.results.simulated = record_of(sim);
  unit_rule(obs, sim);
  settle_time_step(obs.step, sim.step);
  align(obs, sim);

  obs.sub = time_step / obs.step;
  sim.sub = time_step / sim.step;
  fill_store(obs, sim);
  if (sunit_conv == 1) {
    std::cout << "Doing conversion for simulated time series\n";
    degf_to_degc(Qsim);
  }
  if (ounit_conv == 1) {
    std::cout << "Doing conversion for observed time series\n";
    degf_to_degc(Qobs);
  }
  obs.in.reset();
  sim.in.reset();
}

} // namespace twinser
