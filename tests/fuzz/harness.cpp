// Fuzz harness for the whole run. One input holds the control file, the
// observed series and the simulated series, separated by lines "%%":
//
//   <control file bytes>\n%%\n<observed file bytes>\n%%\n<simulated file bytes>
//
// They are written as run.ctl, obs.xk and sim.xk into a fresh directory and
// the run goes there with -o, in this process, as a user's command line
// would start it.
#include "twinser.h"

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <iterator>
#include <sstream>
#include <string>
#include <unistd.h>

namespace {

void write_file(const char* name, const std::string& bytes) {
  std::ofstream(name, std::ios::binary) << bytes;
}

// One input: its three files in a fresh directory, the run there, and the
// directory gone again. The run returns however it ends, so one process can
// take input after input.
void one_input(const std::string& input) {
  const std::string sep = "\n%%\n";
  std::string part[3];
  std::size_t from = 0;
  for (int k = 0; k < 3; ++k) {
    std::size_t at = k < 2 ? input.find(sep, from) : std::string::npos;
    part[k] = input.substr(from, at == std::string::npos ? std::string::npos : at - from);
    if (at == std::string::npos) break;
    from = at + sep.size();
  }
  // names with a slash could reach files outside the scratch directory
  if (part[0].find('/') != std::string::npos) return;

  char dir[] = "/tmp/twinser_fuzz_XXXXXX";
  if (mkdtemp(dir) == nullptr) return;
  char home[4096];
  if (getcwd(home, sizeof home) == nullptr || chdir(dir) != 0) return;
  write_file("run.ctl", part[0]);
  write_file("obs.xk", part[1]);
  write_file("sim.xk", part[2]);

  char prog[] = "twinser", opt[] = "-o", ctl[] = "run.ctl";
  char* args[] = {prog, opt, ctl, nullptr};
  twinser::run(twinser::command_line(3, args));

  if (chdir(home) != 0) std::abort();
  std::system(("rm -rf " + std::string(dir)).c_str());
}

} // namespace

#ifdef __AFL_FUZZ_TESTCASE_LEN
// Under afl-clang-fast: many inputs in one process. The fuzzer's macros use a
// compiler extension.
#pragma clang diagnostic ignored "-Wgnu-statement-expression"
__AFL_FUZZ_INIT();
int main() {
  __AFL_INIT();
  const unsigned char* buf = __AFL_FUZZ_TESTCASE_BUF;
  while (__AFL_LOOP(1000))
    one_input(std::string(reinterpret_cast<const char*>(buf), __AFL_FUZZ_TESTCASE_LEN));
  return 0;
}
#else
int main(int argc, char** argv) {
  std::string input;
  if (argc > 1) {
    std::ifstream in(argv[1], std::ios::binary);
    input.assign(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
  } else {
    input.assign(std::istreambuf_iterator<char>(std::cin), std::istreambuf_iterator<char>());
  }
  one_input(input);
  return 0;
}
#endif
