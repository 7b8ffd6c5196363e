// Run control: the command line, the control file (header record, selection
// records, parameter items), the fixed run order, the selection loop, the
// section heading of each selected analysis, and the one way to stop.
#include "twinser.h"

#include <cctype>
#include <cstdlib>
#include <filesystem>
#include <iostream>
#include <limits>

namespace twinser {

std::ifstream oldfile;
std::string ctlfile;
std::ofstream out;
std::ofstream data_out;
char selection = '\0';
int OPTION_O = 0;
bool part_refused = false;
bool extras_wanted = false;

std::string obsfile;
std::string simfile;
std::string outfile;
int start_mon_a = 0;
int start_yr_a = 0;
int end_mon_a = 0;
int end_yr_a = 0;
double AREA = 0;

run_record results;
void (*outputs_guarded)() = nullptr;

// set by data_meth when the control file ends before another selection record
static bool ctl_ended = false;

// ------------------------------------------------------------ stopping

void stop(const std::string& text) {
  std::cout << text;
  std::cout.flush();
  // whatever the report and event.dat hold so far stays readable
  if (out.is_open()) out.flush();
  if (data_out.is_open()) data_out.flush();
  std::exit(1);
}

void error_mess() {
  stop("Invalid entry for an event\nPlease correct the control file\n");
}

// ------------------------------------------------- control-file items

void unreadable(const std::string& what) {
  stop("Error: cannot read " + what + " from the control file " + ctlfile +
       " (missing or not a number)\n");
}

int read_int(const std::string& what) {
  int v = 0;
  if (!(oldfile >> v)) unreadable(what);
  return v;
}

double read_double(const std::string& what) {
  double v = 0;
  if (!(oldfile >> v)) unreadable(what);
  return v;
}

bool next_double(double& v) {
  v = 0;
  return static_cast<bool>(oldfile >> v);
}

static std::string read_word(const std::string& what) {
  std::string w;
  if (!(oldfile >> w)) unreadable(what);
  return w;
}

void get_files() {
  // preamble: whole lines, skipped until the first one that starts with '@';
  // the rest of that line is a label and is ignored
  std::string line;
  for (;;) {
    if (!std::getline(oldfile, line))
      stop("Error: the control file " + ctlfile +
           " has no header record (a line beginning with @)\n");
    if (!line.empty() && line[0] == '@') break;
  }
  obsfile = read_word("the observed file name of the header record");
  simfile = read_word("the simulated file name of the header record");
  outfile = read_word("the report file name of the header record");
  start_mon_a = read_int("the first month of the header record");
  start_yr_a = read_int("the first year of the header record");
  end_mon_a = read_int("the last month of the header record");
  end_yr_a = read_int("the last year of the header record");
  AREA = read_double("the basin area of the header record");
}

int data_meth() {
  for (;;) {
    int c = oldfile.get();
    if (c == std::char_traits<char>::eof()) break;
    if (c == '@') {
      char letter = '\0';
      if (!(oldfile >> letter)) break; // an '@' at the very end
      selection = letter;
      return 1;
    }
    if (c == '#') { // a comment runs to its line end, however long
      oldfile.ignore(std::numeric_limits<std::streamsize>::max(), '\n');
    }
  }
  ctl_ended = true;
  return 0;
}

// --------------------------------------------------- never destroy an input

static bool same_file(const std::string& a, const std::string& b) {
  std::error_code ec;
  return std::filesystem::equivalent(a, b, ec) && !ec;
}

void refuse_if_same(const std::string& output, const std::string& input,
                           const char* role) {
  if (same_file(output, input))
    stop("Error: the output file " + output + " is the " + role + " " + input +
         "; nothing was written, to keep it intact\n");
}

void guard_outputs() {
  const std::string event_file = "event.dat";
  if (OPTION_O == 1) {
    refuse_if_same(event_file, ctlfile, "control file");
    refuse_if_same(event_file, obsfile, "observed file");
    refuse_if_same(event_file, simfile, "simulated file");
    refuse_if_same(outfile, event_file, "event data file");
  }
  refuse_if_same(outfile, ctlfile, "control file");
  refuse_if_same(outfile, obsfile, "observed file");
  refuse_if_same(outfile, simfile, "simulated file");
  if (outputs_guarded != nullptr) outputs_guarded();
  if (OPTION_O == 1) { // now it is safe to start event.dat afresh
    data_out.close();
    data_out.open(event_file, std::ios::out | std::ios::trunc);
    if (!data_out) stop("Cannot open to output event data: " + event_file + "\n");
  }
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

void divide() {
  out << "\n\n\n======================   Results From @"
      << static_cast<char>(std::toupper(static_cast<unsigned char>(selection)))
      << " Operation   =======================\n";
}

static int finish() {
  std::cout << "\n\nTHE PROGRAM FINISHED SUCCESSFULLY!!\n";
  if (OPTION_O == 1)
    std::cout << "\n*** Check the file 'event.dat' for your event data ***";
  else
    std::cout << "\n(Note: To output data for selected events, use -o option)";
  std::cout << "\n\n";
  std::cout.flush();
  return part_refused ? 2 : 0; // a batch must tell a run that dropped a request from a whole one
}

static void invalid_selection() {
  part_refused = true;
  // the historical pause after this message was a busy count; nothing
  // depends on it, so there is none
  add_selection(refused_record{
      static_cast<char>(std::toupper(static_cast<unsigned char>(selection))),
      "not a proper selection"});
  std::cout << "\nThat was not a proper selection\n"
               " Please reenter your choice.  \n";
}

// ------------------------------------------------------- command line

static void open_control(const std::string& name) {
  ctlfile = name;
  oldfile.open(name);
  if (!oldfile) stop("Cannot open the control file: " + name + "\n");
}

static void handle_option(const std::string& opt) {
  if (opt.empty() || opt[0] != '-') return; // not an option: silently ignored
  if (opt != "-o") part_refused = true;
  if (opt.size() == 1) {
    std::cout << "No real option was given\n";
  } else if (opt.size() == 2 && opt[1] == 'o') {
    std::cout << "EVENT DATA WILL BE OUTPUT\n";
    OPTION_O = 1;
    // opened for appending first: the file is truncated only once guard_outputs
    // knows it is none of the inputs
    data_out.open("event.dat", std::ios::out | std::ios::app);
    if (!data_out) stop("Cannot open to output event data: event.dat\n");
  } else if (opt.size() == 2) {
    std::cout << "Not a recognized option. It will be ignored\n";
  } else {
    std::cout << "Only one option is allowed. Option is ignored\n";
  }
}

static void resolve_command_line(int argc, char** argv) {
  if (argc > 3) stop("Too many arguments, exiting...\n");
  if (argc == 1) {
    std::cout << "\nYou forgot to enter the control file name. \nPlease enter now: ";
    std::cout.flush();
    std::string name;
    std::cin >> name;
    open_control(name);
  } else if (argc == 2) {
    open_control(argv[1]);
  } else {
    open_control(argv[2]); // the control file first: its failure wins
    handle_option(argv[1]);
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

int run(int argc, char** argv) {
  claim();
  resolve_command_line(argc, argv);
  out.setf(std::ios::showpoint);

  read_flow();
  data_info();
  month_year();
  fixed_sections();
  if (extras_wanted) results.beyond = measures_beyond_report();
  if (!ctl_ended && std::toupper(static_cast<unsigned char>(selection)) == 'T') data_meth();

  for (;;) {
    if (ctl_ended) {
      std::cout << "Warning: the control file ended without an @Q record\n";
      break;
    }
    if (!dispatch()) break;
    data_meth();
  }
  return finish();
}

void reset_state() {
  if (oldfile.is_open()) oldfile.close();
  oldfile.clear();
  ctlfile.clear();
  obsfile.clear();
  simfile.clear();
  outfile.clear();
  start_mon_a = start_yr_a = end_mon_a = end_yr_a = 0;
  interval = nullptr;
  results = run_record{};
  outputs_guarded = nullptr;
  if (out.is_open()) out.close();
  out.clear();
  out.flags(std::ios::dec | std::ios::skipws);
  out.precision(6);
  out.fill(' ');
  if (data_out.is_open()) data_out.close();
  data_out.clear();
  selection = '\0';
  OPTION_O = 0;
  part_refused = false;
  extras_wanted = false;
  bootstrap_wanted = true;
  ctl_ended = false;
  AREA = 0;
  Qobs = Qsim = nullptr;
  month = year = nullptr;
  LINES = 0;
  time_step = -1;
  itemp = sunit_conv = ounit_conv = 0;
  month_begin = year_begin = month_end = year_end = 0;
}

} // namespace twinser
