// twinser-view: the whole twinser run, with the same terminal output, report,
// event.dat and exit status, and beside the report the extra renderings of
// its results (the JSON summary), named in one line after the finish message.
#include "summary.h"
#include "twinser.h"

#include <CLI/CLI.hpp>

#include <filesystem>
#include <iostream>
#include <string>
#include <vector>

namespace {

// An extra rendering of a finished run, written beside the report as
// <report stem><extension>.
struct extra_output {
  const char* extension;
  bool (*write)(const twinser::run_record&, const twinser::store_view&, const std::string& path);
};

const std::vector<extra_output> extras = {{".json", twinser_view::write_summary}};

// Renderings that an earlier run of the same control file may have left:
// removed before anything is written, so a run that stops leaves none.
const char* const stale_extensions[] = {".json", ".html"};

std::string beside_report(const char* extension) {
  return std::filesystem::path(twinser::outfile).replace_extension(extension).string();
}

bool same_file(const std::string& a, const std::string& b) {
  std::error_code ec;
  if (std::filesystem::path(a).lexically_normal() == std::filesystem::path(b).lexically_normal())
    return true;
  return std::filesystem::equivalent(a, b, ec) && !ec;
}

bool is_input(const std::string& path) {
  return same_file(path, twinser::ctlfile) || same_file(path, twinser::obsfile) ||
         same_file(path, twinser::simfile);
}

// Called by the run once the report name is known and guarded, before
// anything is written: no extra output may replace an input or the report.
void guard_extras() {
  for (const extra_output& x : extras) {
    const std::string path = beside_report(x.extension);
    twinser::refuse_if_same(path, twinser::ctlfile, "control file");
    twinser::refuse_if_same(path, twinser::obsfile, "observed file");
    twinser::refuse_if_same(path, twinser::simfile, "simulated file");
    if (same_file(path, twinser::outfile))
      twinser::stop("Error: the output file " + path + " is the report file " + twinser::outfile +
                    "; nothing was written, to keep it intact\n");
  }
  for (const char* extension : stale_extensions) {
    const std::string path = beside_report(extension);
    if (is_input(path) || same_file(path, twinser::outfile)) continue;
    std::error_code ec;
    std::filesystem::remove(path, ec);
  }
}

// The extra renderings of a run that finished; the status it ends with.
int write_extras(int status) {
  std::string written;
  for (const extra_output& x : extras) {
    const std::string path = beside_report(x.extension);
    if (!x.write(twinser::results, twinser::current_store(), path)) {
      std::cout << "Cannot open output file: " << path << "\n";
      return 1;
    }
    written += (written.empty() ? "" : ", ") + path;
  }
  std::cout << "Summary written to: " << written << "\n";
  std::cout.flush();
  return status;
}

} // namespace

int main(int argc, char** argv) {
  CLI::App app{"Statistics of an observed and a simulated time series, as twinser computes them,\n"
               "with a JSON summary of every result written beside the report\n"
               "(<report stem>.json).",
               "twinser-view"};
  app.set_help_flag("--help", "Print this help and exit");
  app.set_version_flag("--version", std::string(TWINSER_VERSION));
  app.footer("Usage: twinser-view [-o] CONTROL_FILE\n"
             "  -o  also write the values of every event window to event.dat");
  // everything else goes to the run's own command line, exactly as twinser reads it
  app.prefix_command();
  try {
    app.parse(argc, argv);
  } catch (const CLI::ParseError& e) {
    return app.exit(e);
  }
  std::vector<std::string> rest = app.remaining();
  std::vector<char*> args{argv[0]};
  for (std::string& a : rest) args.push_back(a.data());
  args.push_back(nullptr);

  twinser::outputs_guarded = guard_extras;
  twinser::extras_wanted = true; // the summary shows them
  const int status = twinser::run(static_cast<int>(rest.size() + 1), args.data());
  return write_extras(status);
}
