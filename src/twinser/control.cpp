// The control file: the header record, selection records, parameter items,
// and the guard that never lets an output overwrite an input.
#include "twinser.h"

#include <cctype>
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
  // the rest of that line is a label, which the report does not print
  std::string line;
  for (;;) {
    if (!std::getline(oldfile, line))
      stop("Error: the control file " + ctlfile +
           " has no header record (a line beginning with @)\n");
    if (!line.empty() && line[0] == '@') break;
  }
  // the rest of the header line labels the run (renderings show it as a title)
  const auto b = line.find_first_not_of(" \t\r", 1);
  results.label = b == std::string::npos ? "" : line.substr(b, line.find_last_not_of(" \t\r") - b + 1);
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

void refuse_if_same(const std::string& output, const std::string& input,
                           const char* role) {
  if (common::same_file(output, input))
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

} // namespace twinser
