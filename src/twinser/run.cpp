// The run: the command line, the fixed run order, the selection loop, the
// terminal banner and finish, the section heading of each selected analysis,
// and the one way to stop.
#include "twinser.h"

#include <cctype>
#include <cerrno>
#include <csignal>
#include <cstring>
#include <cstdlib>
#include <iomanip>
#include <iostream>

namespace twinser {

run_context ctx;

// ------------------------------------------------------------ stopping

// The message, then everything written so far flushed, so that the report
// and event.dat stay readable up to the stop; then the run unwinds to run().
void stop(const std::string& text, int status) {
  std::cout << text;
  std::cout.flush();
  if (out.is_open()) out.flush();
  if (data_out.is_open()) data_out.flush();
  throw run_stopped{status};
}

// A write is done only when it is checked: the stream is flushed, and a
// failure (a full disk, a file-size limit, standard output on /dev/full)
// stops the run with the file's name and the system's reason, never with the
// finish message. Standard output failing is told on standard error, the
// only place left to tell it.
void check_written(std::ostream& stream, const std::string& name) {
  if (stream.flush()) return;
  const int reason = errno != 0 ? errno : EIO;
  const std::string text = "Error: cannot write " + name + ": " + std::strerror(reason) + "\n";
  if (&stream == &std::cout) std::cerr << text;
  stop(text);
}

// Every output of the run so far, checked at the end of each section.
void check_outputs() {
  if (out.is_open()) check_written(out, "the report file " + outfile);
  if (data_out.is_open()) check_written(data_out, "the event data file event.dat");
  check_written(std::cout, "standard output");
}

// The report and event.dat at the finish: checked, closed, and the close checked.
static void close_checked(std::ofstream& file, const std::string& name) {
  if (!file.is_open()) return;
  check_written(file, name);
  errno = 0;
  file.close();
  if (file.fail()) check_written(file, name);
}

void error_mess() {
  stop("Invalid entry for an event\nPlease correct the control file\n");
}

// ----------------------------------------------------- terminal and report

void claim() {
  std::cout << "\n\n"
               "       WELCOME TO USE THIS TOOL. IT IS USED TO CALCULATE\n"
               "             STATISTICS OF TWO TIME SERIES\n"
               "\n"
               "          -------------------------------------------\n"
               "\n"
               "   The time series must be in the XK format and the data must \n"
               "   be in one column. \n"
               "\n"
               "\n"
               "---------------------------------------------------------------------\n"
               "\n"
               "\n";
}

// A rule line of n copies of c (no line end).
void rule(char c, int n) { out << std::string(n, c); }

// Text that the terminal and the report carry alike, terminal first.
void say_both(const std::string& text) {
  std::cout << text;
  out << text;
}

void divide() {
  check_outputs(); // the section before this one is complete
  out << "\n\n\n======================   Results From @"
      << static_cast<char>(std::toupper(static_cast<unsigned char>(selection)))
      << " Operation   =======================\n";
}

static int finish() {
  close_checked(out, "the report file " + outfile);
  close_checked(data_out, "the event data file event.dat");
  std::cout << "\n\nTHE PROGRAM FINISHED SUCCESSFULLY!!\n";
  if (OPTION_O == 1)
    std::cout << "\n*** Check the file 'event.dat' for your event data ***";
  else
    std::cout << "\n(Note: To output data for selected events, use -o option)";
  std::cout << "\n\n";
  check_written(std::cout, "standard output");
  return ctx.part_refused ? 2 : 0; // a batch must tell a run that dropped a request from a whole one
}

static void invalid_selection() {
  ctx.part_refused = true;
  // the historical pause after this message was a busy count; nothing
  // depends on it, so there is none
  add_selection(refused_record{
      static_cast<char>(std::toupper(static_cast<unsigned char>(selection))),
      "not a proper selection"});
  std::cout << "\nThat was not a proper selection\n"
               " Please reenter your choice.  \n";
}

// ------------------------------------------------------- command line

run_options command_line(int argc, char** argv) {
  run_options o;
  o.too_many_words = argc > 3;
  o.ask_control_file = argc <= 1;
  if (argc == 2) o.control_file = argv[1];
  if (argc == 3) {
    o.option = argv[1];
    o.control_file = argv[2];
  }
  return o;
}

static void open_control(const std::string& name) {
  ctx.results.control_file = name;
  oldfile.open(name);
  if (!oldfile) stop("Cannot open the control file: " + name + "\n");
}

// An option the run goes on without: the finish returns 2, and the record says why.
static void refuse_option(const std::string& opt, const char* message, const char* reason) {
  ctx.part_refused = true;
  ctx.results.refused_options.push_back({opt, reason});
  std::cout << message;
}

static void handle_option(const std::string& opt) {
  if (opt.empty() || opt[0] != '-') return; // not an option: silently ignored
  if (opt.size() == 1) {
    refuse_option(opt, "No real option was given\n", "no option letter after the dash");
  } else if (opt.size() == 2 && opt[1] == 'o') {
    std::cout << "EVENT DATA WILL BE OUTPUT\n";
    OPTION_O = 1;
    // opened for appending first: the file is truncated only once guard_outputs
    // knows it is none of the inputs
    data_out.open("event.dat", std::ios::out | std::ios::app);
    if (!data_out) stop("Cannot open to output event data: event.dat\n");
  } else if (opt.size() == 2) {
    refuse_option(opt, "Not a recognized option. It will be ignored\n", "not a recognized option");
  } else {
    refuse_option(opt, "Only one option is allowed. Option is ignored\n",
                  "more than one option letter");
  }
}

static void resolve_command_line(const run_options& o) {
  if (o.too_many_words) stop("Too many arguments, exiting...\n");
  if (o.ask_control_file) {
    std::cout << "\nYou forgot to enter the control file name. \nPlease enter now: ";
    std::cout.flush();
    std::string name;
    std::cin >> std::setw(MAX_CONTROL_LINE) >> name; // a name, not whatever the terminal pours in
    if (name.size() == MAX_CONTROL_LINE)
      stop("Error: the control file name given is longer than " + std::to_string(MAX_CONTROL_LINE) +
           " bytes\n");
    open_control(name);
  } else {
    open_control(o.control_file); // the control file first: its failure wins
    handle_option(o.option);
  }
}

// ------------------------------------------------------------ the run

// Dispatch one selection; false when the run is over (Q).
static bool dispatch() {
  switch (std::toupper(static_cast<unsigned char>(selection))) {
  case 'A': lines_display(); break;
  case 'D': equal_ints(); break;
  case 'E': flow_greater(); break;
  case 'F': two_vals(); break;
  case 'G': event(); break;
  case 'H': flow_threshold(); break;
  case 'I': accumulated_flow(); break;
  case 'Q': return false;
  case 'T':
    stop("\nTime step can only be given once before other selectoins are made\n"
         "Please correct control file\n");
  default: invalid_selection(); break;
  }
  return true;
}

// Banner, command line, series and data summary, the fixed sections, then
// the selections until Q or the end of the control file.
static int whole_run() {
  // past a file-size limit a write fails with EFBIG and is reported, rather
  // than the signal ending the run with nothing said
  std::signal(SIGXFSZ, SIG_IGN);
  claim();
  resolve_command_line(ctx.options);
  out.setf(std::ios::showpoint);

  read_flow();
  data_info();
  if (ctx.options.store_read != nullptr) ctx.options.store_read();
  month_year();
  // the measures beyond the report only read the store, which nothing
  // changes from here on: they run on the second core beside the sections
  if (ctx.options.extras_wanted) ctx.beyond = start_behind(measures_beyond_report);
  fixed_sections();
  if (!ctx.ctl_ended && std::toupper(static_cast<unsigned char>(selection)) == 'T') data_meth();

  for (;;) {
    if (ctx.ctl_ended) {
      std::cout << "Warning: the control file ended without an @Q record\n";
      break;
    }
    if (!dispatch()) break;
    data_meth();
  }
  return finish();
}

// The run starts from the state a fresh process has, so that a second run in
// one process is the first one again. The report and event.dat are closed
// (and so flushed) however the run ended; the store stays, for a rendering of
// the record to read, until the next run.
run_record run(const run_options& options) {
  reset_state();
  ctx.options = options;
  run_record& r = ctx.results;
  try {
    r.status = whole_run();
    r.finished = true;
  } catch (const run_stopped& s) {
    r.status = s.status;
  }
  if (ctx.beyond.valid() && !ctx.options.extras_taken_later) r.beyond = ctx.beyond.get();
  r.report_file = outfile;
  r.event_data = OPTION_O == 1;
  std::cout.flush();
  if (out.is_open()) out.close();
  if (data_out.is_open()) data_out.close();
  if (oldfile.is_open()) oldfile.close();
  return std::move(r);
}

beyond_record take_beyond() { return ctx.beyond.valid() ? ctx.beyond.get() : beyond_record{}; }

void reset_state() {
  release_control_file();
  if (oldfile.is_open()) oldfile.close();
  oldfile.clear();
  obsfile.clear();
  simfile.clear();
  outfile.clear();
  start_mon_a = start_yr_a = end_mon_a = end_yr_a = 0;
  interval = nullptr;
  ctx = run_context{};
  if (out.is_open()) out.close();
  out.clear();
  out.flags(std::ios::dec | std::ios::skipws);
  out.precision(6);
  out.fill(' ');
  if (data_out.is_open()) data_out.close();
  data_out.clear();
  selection = '\0';
  OPTION_O = 0;
  AREA = 0;
  // the store of a run before: never freed within a run, but a second run
  // in one process would otherwise keep every earlier one
  std::free(Qobs);
  std::free(Qsim);
  std::free(month);
  std::free(year);
  Qobs = Qsim = nullptr;
  month = year = nullptr;
  LINES = 0;
  time_step = -1;
  itemp = sunit_conv = ounit_conv = 0;
  month_begin = year_begin = month_end = year_end = 0;
}

} // namespace twinser
