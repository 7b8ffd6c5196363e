// The control file: the header record, selection records, parameter items,
// and the guard that never lets an output overwrite an input.
#include "twinser.h"

#include <cctype>
#include <cstring>
#include <filesystem>
#include <iostream>
#include <limits>

namespace twinser {

std::ifstream oldfile;
std::ofstream out;
std::ofstream data_out;
char selection = '\0';
int OPTION_O = 0;

std::string obsfile;
std::string simfile;
std::string outfile;
int start_mon_a = 0;
int start_yr_a = 0;
int end_mon_a = 0;
int end_yr_a = 0;
double AREA = 0;

// ------------------------------------------------- the control file as read

namespace {

// Sits between oldfile and its file: passes over a UTF-8 byte-order mark at
// the start (editors add one), notes line ends of CR alone (the old Mac text
// files), and stops the run when a reader asks for a byte beyond
// MAX_CONTROL_LINE on one line, so that a file without line ends (or
// /dev/zero) is never taken into memory whole by a word or a number.
class control_guard : public std::streambuf {
public:
  void attach(std::streambuf* file) {
    file_ = file;
    line_ = 1;
    column_ = 0;
    started_ = lone_cr_ = false;
    prev_ = '\0';
    cut_ = end_ = 0;
    setg(raw_, raw_, raw_);
  }
  // line ends of CR alone: CRs not followed by LF, and not one LF so far
  bool cr_line_ends() const { return lone_cr_ && line_ == 1; }

protected:
  int_type underflow() override {
    if (gptr() < egptr()) return traits_type::to_int_type(*gptr());
    if (cut_ == end_ && !refill()) return traits_type::eof();
    // hand out the bytes up to the point where the current line would pass the limit
    const std::size_t from = cut_;
    while (cut_ < end_) {
      const char c = raw_[cut_];
      if (c == '\n') {
        ++line_;
        column_ = 0;
      } else if (column_ == MAX_CONTROL_LINE) {
        break;
      } else {
        ++column_;
      }
      if (prev_ == '\r' && c != '\n') lone_cr_ = true;
      prev_ = c;
      ++cut_;
    }
    if (cut_ == from)
      stop("Error: line " + std::to_string(line_) + " of the control file " + ctx.results.control_file +
           " is longer than " + std::to_string(MAX_CONTROL_LINE) + " bytes\n" + line_end_note());
    setg(raw_, raw_ + from, raw_ + cut_);
    return traits_type::to_int_type(*gptr());
  }

private:
  bool refill() {
    std::streamsize got = 0;
    try {
      got = file_ == nullptr ? 0 : file_->sgetn(raw_, sizeof raw_);
    } catch (const std::ios_base::failure&) { // a read error ends the file, as before
      got = 0;
    }
    cut_ = 0;
    end_ = got > 0 ? static_cast<std::size_t>(got) : 0;
    if (!started_) {
      started_ = true;
      if (end_ >= 3 && std::memcmp(raw_, "\xEF\xBB\xBF", 3) == 0) cut_ = 3;
    }
    return cut_ < end_;
  }

  std::streambuf* file_ = nullptr;
  char raw_[4096];             // bytes read from the file, handed out up to cut_
  std::size_t cut_ = 0, end_ = 0;
  long long line_ = 1;         // line of the next byte handed out
  std::size_t column_ = 0;     // bytes of that line handed out so far
  bool started_ = false;       // the first bytes (and a byte-order mark) are behind
  bool lone_cr_ = false;       // a CR not followed by LF was handed out
  char prev_ = '\0';
};

control_guard guard;

} // namespace

std::string line_end_note() {
  return guard.cr_line_ends() ? "The control file " + ctx.results.control_file +
                               " ends its lines with CR alone; save it with LF (or CR LF) line ends\n"
                         : "";
}

void guard_control_file() {
  guard.attach(oldfile.rdbuf()); // the file's own buffer
  static_cast<std::istream&>(oldfile).rdbuf(&guard);
  // a stop inside the guard must leave the stream, not become a failed read
  oldfile.exceptions(std::ios::badbit);
}

void release_control_file() {
  oldfile.exceptions(std::ios::goodbit);
  static_cast<std::istream&>(oldfile).rdbuf(oldfile.rdbuf());
  guard.attach(nullptr);
}

// ------------------------------------------------- control-file items

void unreadable(const std::string& what) {
  stop("Error: cannot read " + what + " from the control file " + ctx.results.control_file +
       " (missing or not a number)\n" + line_end_note());
}

int read_int(const std::string& what) {
  int v = 0;
  if (!next_int(v)) unreadable(what);
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

bool next_int(int& v) {
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
  guard_control_file();
  std::string line;
  for (;;) {
    if (!std::getline(oldfile, line))
      stop("Error: the control file " + ctx.results.control_file +
           " has no header record (a line beginning with @)\n" + line_end_note());
    if (!line.empty() && line[0] == '@') break;
  }
  // the rest of the header line labels the run (renderings show it as a title)
  const auto b = line.find_first_not_of(" \t\r", 1);
  ctx.results.label = b == std::string::npos ? "" : line.substr(b, line.find_last_not_of(" \t\r") - b + 1);
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
  ctx.ctl_ended = true;
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
  const std::string& ctlfile = ctx.results.control_file;
  if (OPTION_O == 1) {
    refuse_if_same(event_file, ctlfile, "control file");
    refuse_if_same(event_file, obsfile, "observed file");
    refuse_if_same(event_file, simfile, "simulated file");
    refuse_if_same(outfile, event_file, "event data file");
  }
  refuse_if_same(outfile, ctlfile, "control file");
  refuse_if_same(outfile, obsfile, "observed file");
  refuse_if_same(outfile, simfile, "simulated file");
  if (ctx.options.outputs_guarded != nullptr) ctx.options.outputs_guarded();
}

// event.dat starts afresh only once both series are open and the report is
// begun: a run that stops before (a series missing) leaves the last one whole.
void start_event_data() {
  if (OPTION_O != 1) return;
  data_out.close();
  data_out.open("event.dat", std::ios::out | std::ios::trunc);
  if (!data_out) stop("Cannot open to output event data: event.dat\n");
}

} // namespace twinser
