// The run as a function: end-to-end cases run in this process, twice each,
// against their hand-checked expected files. The second run must give the
// same bytes as the first, so nothing of one run may leak into the next; a
// stop must come back to the caller with its status, not end the process.
#include "twinser.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <unistd.h>
#include <vector>

using namespace twinser;
namespace fs = std::filesystem;

namespace {

std::string file_text(const fs::path& p) {
  std::ifstream in(p, std::ios::binary);
  std::ostringstream s;
  s << in.rdbuf();
  return s.str();
}

std::vector<std::string> words(const std::string& text) {
  std::istringstream in(text);
  std::vector<std::string> w;
  for (std::string x; in >> x;) w.push_back(x);
  return w;
}

struct run_case {
  const char* name;
  bool finished;
  std::size_t refused_options; // refusal records of the command line
};

// One run of a case copied into dir: the terminal output it gave.
std::string run_in(const fs::path& dir, run_record& record) {
  std::vector<std::string> args = words(file_text(dir / "args"));
  args.insert(args.begin(), "twinser");
  std::vector<char*> argv;
  for (std::string& a : args) argv.push_back(a.data());
  argv.push_back(nullptr);
  const fs::path home = fs::current_path();
  fs::current_path(dir);
  testing::internal::CaptureStdout();
  record = run(command_line(static_cast<int>(args.size()), argv.data()));
  std::string terminal = testing::internal::GetCapturedStdout();
  fs::current_path(home);
  return terminal;
}

} // namespace

TEST(RunInProcess, TwoRunsOfEachCaseGiveTheExpectedBytesAndStatus) {
  const run_case cases[] = {
      {"events_two_selections_event_data", true, 0}, // every table of G, event.dat
      {"events_third_event_bad_year", false, 0},     // a stop inside G, rows before it kept
      {"control_option_x", true, 1},                  // a refused option: finished with 2
      {"control_refusals_finish_with_2", true, 1},
      {"input_temperature_degf_converted", true, 0},
  };
  char tmpl[] = "/tmp/twinser_run_XXXXXX";
  ASSERT_NE(mkdtemp(tmpl), nullptr);
  const fs::path scratch = tmpl;
  for (const run_case& c : cases) {
    SCOPED_TRACE(c.name);
    const fs::path from = fs::path(GOLDEN_DIR) / c.name;
    if (!fs::exists(from)) continue; // a case renamed away leaves the others
    const fs::path expected = from / "expected";
    const int status = std::stoi(file_text(expected / "status"));
    std::string first_report;
    for (int pass = 1; pass <= 2; ++pass) {
      SCOPED_TRACE(pass);
      const fs::path dir = scratch / (std::string(c.name) + std::to_string(pass));
      fs::copy(from, dir, fs::copy_options::recursive);
      run_record r;
      const std::string terminal = run_in(dir, r);
      EXPECT_EQ(terminal, file_text(expected / "stdout"));
      EXPECT_EQ(r.status, status);
      EXPECT_EQ(r.finished, c.finished);
      EXPECT_EQ(r.refused_options.size(), c.refused_options);
      for (const auto& f : fs::directory_iterator(expected)) {
        const std::string name = f.path().filename().string();
        if (name == "stdout" || name == "status" || name == "absent") continue;
        EXPECT_EQ(file_text(dir / name), file_text(f.path())) << name;
      }
    }
  }
  fs::remove_all(scratch);
  reset_state();
}
