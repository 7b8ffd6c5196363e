// Fuzz harness for the whole run. One input holds the control file, the
// observed series and the simulated series, separated by lines "%%":
//
//   <control file bytes>\n%%\n<observed file bytes>\n%%\n<simulated file bytes>
//
// They are written as run.ctl, obs.xk and sim.xk into a fresh directory and
// the tool runs there with -o, exactly as a user would start it.
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

} // namespace

int main(int argc, char** argv) {
  std::string input;
  if (argc > 1) {
    std::ifstream in(argv[1], std::ios::binary);
    input.assign(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
  } else {
    input.assign(std::istreambuf_iterator<char>(std::cin), std::istreambuf_iterator<char>());
  }
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
  if (part[0].find('/') != std::string::npos) return 0;

  char dir[] = "/tmp/twinser_fuzz_XXXXXX";
  if (mkdtemp(dir) == nullptr || chdir(dir) != 0) return 0;
  write_file("run.ctl", part[0]);
  write_file("obs.xk", part[1]);
  write_file("sim.xk", part[2]);
  // the scratch directory goes with the process, whichever way it ends
  // (removed in-process: a shell per input made each run ten times slower)
  static std::string scratch = dir;
  std::atexit([] {
    std::error_code ec;
    std::filesystem::remove_all(scratch, ec);
  });

  char prog[] = "twinser", opt[] = "-o", ctl[] = "run.ctl";
  char* args[] = {prog, opt, ctl, nullptr};
  return twinser::run(3, args);
}
