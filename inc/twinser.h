// twinser: the one shared header. The series store, the control-file, report
// and event-data streams, the other run-wide globals, the record typedefs and
// the declarations of every operation one subsystem offers another.
//
// The core is procedural over global state: each analysis reads the series
// store and the control file and appends its section to the report.
#pragma once

#include <cstdint>
#include <fstream>
#include <string>

namespace twinser {

// ---------------------------------------------------------------- records

typedef int events_int[9];     // one event: begin h, m, d, y; end h, m, d, y; peak shift (lines)
typedef double events_flt[10]; // one event's row of per-table values, kept for the mean lines

// ------------------------------------------------------- streams and run flags

extern std::ifstream oldfile;  // the control file, read by everyone in turn
extern std::string ctlfile;    // name of the control file, for messages
extern std::ofstream out;      // the report; showpoint set before anything is written
extern std::ofstream data_out; // event.dat, open only with -o
extern char selection;         // letter of the latest selection record, as written (any case)
extern int OPTION_O;           // 1 when -o was given: event windows go to event.dat

// --------------------------------------------------- header record of the control file

extern std::string obsfile; // observed series file name
extern std::string simfile; // simulated series file name
extern std::string outfile; // report file name
extern int start_mon_a;     // requested first month; used unless both it and start_yr_a are < 0
extern int start_yr_a;      // requested first year (four digits)
extern int end_mon_a;       // requested last month
extern int end_yr_a;        // requested last year
extern double AREA;         // basin area, km2; > 0 means flows in CMS, else depths in MM

// ------------------------------------------------------------- series store

extern double* Qobs;     // observed value of each line, -999 = missing
extern double* Qsim;     // simulated value of each line, -999 = missing
extern int LINES;        // number of lines (steps) in the analysis period
extern int time_step;    // hours per line; -1 until settled
extern int month_begin;  // first month of the analysis period (line 0 = day 1, first step)
extern int year_begin;   // first year of the analysis period
extern int month_end;    // last month of the analysis period (whole month included)
extern int year_end;     // last year of the analysis period
extern int* month;       // month (1-12) of the end of each line's step
extern int* year;        // year of the end of each line's step
extern int itemp;        // 1 for temperature series: negative readings are real
extern int sunit_conv;   // 1 when the simulated series is DEGF, converted to DEGC after reading
extern int ounit_conv;   // 1 when the observed series is DEGF, converted to DEGC after reading

// ------------------------------------------------------------ event records

extern events_int* interval;    // event records of the current G selection
extern events_flt* record_val;  // per-event rows of the table being written
extern events_flt* record_val2; // per-event inputs of the pooled summaries

// ------------------------------------------------- which lines take part

constexpr double MISSING = -999.0; // the missing-value marker of the series

// exactly the missing-value marker
inline bool is_missing(double v) { return v == MISSING; }
// neither value negative (-999 included); a NaN fails every comparison and is out too
inline bool both_non_negative(double o, double s) { return o >= 0 && s >= 0; }
// neither value is the missing-value marker; other negatives and NaN take part
inline bool neither_missing(double o, double s) { return !is_missing(o) && !is_missing(s); }
// the multi-year rule: temperatures may be negative, anything else may not
inline bool valid_for_total(double o, double s) {
  return itemp == 1 ? neither_missing(o, s) : both_non_negative(o, s);
}

// ---------------------------------------------------------- fit measures

// Sums over the lines that take part in one set of fit measures, in line order.
struct fit_sums {
  std::uint32_t num = 0;   // n, lines that take part
  double Qobs_sum = 0;     // sum o
  double Qsim_sum = 0;     // sum s
  double Qdiff_sum = 0;    // sum (s - o)
  double Qdiff_a_sum = 0;  // sum |s - o|
  double Qdiff2_sum = 0;   // sum (s - o)^2
  double Qobsxsim = 0;     // sum o*s
  double Qobs_sq = 0;      // sum o^2
  double Qsim_sq = 0;      // sum s^2
  void add(double o, double s);
};

double percent_bias(const fit_sums& f);     // (sum d / sum o) * 100
double abs_percent_bias(const fit_sums& f); // (sum |d| / sum o) * 100
double abs_error(const fit_sums& f);        // sum |d| / n
double mean_obs(const fit_sums& f);         // sum o / n
double mean_sim(const fit_sums& f);         // sum s / n
double rel_rms(const fit_sums& f);          // sqrt(sum d^2 / n) / (sum o / n)
double rms_scaled(const fit_sums& f, double rel); // rel * sum o / n
double rms_of_mean(const fit_sums& f, double rel); // (sum o / n) * rel
double var_obs(const fit_sums& f);          // ((n sum o^2 - (sum o)^2) / n) / (n - 1)
double var_sim(const fit_sums& f);          // same for s
double corr_r(const fit_sums& f);           // correlation coefficient R
double nash_r(double rms, double var_o);    // 1 - rms^2 / var_o
double spread_ratio(const fit_sums& f);     // smaller over larger std, the Rm factor
double line_b(const fit_sums& f);           // best line fit slope B
double line_a(const fit_sums& f, double b); // best line fit intercept A

// ------------------------------------------------------------ run control

int run(int argc, char** argv);          // the whole run; returns the exit status of a normal finish
void claim();                            // banner on the terminal
void divide();                           // section heading of a selected analysis
int data_meth();                         // read on to the next selection record
[[noreturn]] void error_mess();          // invalid event entry: message, stop
void get_files();                        // header record of the control file
void guard_outputs();                    // refuse a report or event.dat that is an input; then truncate event.dat
[[noreturn]] void stop(const std::string& text); // text to the terminal, flush, exit 1
int read_int(const std::string& what);       // next control-file item as int, or stop
double read_double(const std::string& what); // next control-file item as double, or stop
void reset_state();                      // back to the state at start (tests)

// --------------------------------------------------- series input and calendar

int is_leap_year(int yr);
int days_of_month(int m, int y);
int hour_count(int month1, int year1, int month2, int year2, int step);
int hour_count(int month1, int year1, int month2, int year2, int day1, int hour1, int day2,
               int hour2, int step);
void line_to_date(int line, int& iy, int& im, int& id, int& ih);
void month_year();
void read_flow();
// What the value text of a data line gives: a number, one too large for a
// double (the run stops), or nothing readable.
enum class value_text { number, too_large, none };
// Reads [p, e), a data line after its 21 skipped columns without its line
// end, as stream extraction of a double reads it; v is set only for a number.
value_text read_number(const char* p, const char* e, double& v);
void data_info();
double flow_max();
void lines_display();
void input_check(int line);

// ---------------------------------------------------- whole-period statistics

void total_bias();
void yearly_display();
void yearly_bias();
void year_bias(int yr);
void monthly_display();
void monthly_bias();
void month_bias(int mon);
void error25();
void array_fill(int* line);
long double difference(int position);

// -------------------------------------------------------- flow-class statistics

void flow_greater();
void flow_bias();
void equal_ints();
void flow_intervals_bias(int div);
void two_vals();
void between2flows_bias(double lower_flow, double higher_flow);

// ------------------------------------------------------------- event analyses

void event();
void time_interval_bias(int event_num);
void center_of_mass(int event_num, int& diff);
double max_flow(int event_num);
void shifted_time_interval_bias(int event_num);

// ------------------------------------------------ peaks over threshold, accumulation

void flow_threshold();
void find_peak(int& line, int line1, int line2, double thresh, double& peak, double* array);
void accumulated_flow();

} // namespace twinser
