// twinser-view: the whole twinser run, with the same terminal output, report,
// event.dat and exit status, and beside the report the extra renderings of
// its results (the JSON summary and the HTML page), named in one line after
// the finish message.
#include "output_files.h"
#include "page.h"
#include "summary.h"
#include "twinser.h"

#include <CLI/CLI.hpp>

#include <cerrno>
#include <cstring>
#include <filesystem>
#include <future>
#include <memory>
#include <iostream>
#include <string>
#include <vector>

namespace {

// An extra rendering of a finished run, written beside the report as
// <report stem><extension>.
// Both are rendered from one summary of the run, made once.
struct extra_output {
  const char* extension;
  bool (*write)(const nlohmann::ordered_json& summary, const twinser::store_view&,
                const std::string& path);
};

const std::vector<extra_output> extras = {{".json", twinser_view::write_summary_file},
                                          {".html", twinser_view::write_page_file}};

// Renderings that an earlier run of the same control file may have left:
// removed before anything is written, so a run that stops leaves none.
const char* const stale_extensions[] = {".json", ".html"};

std::string beside_report(const std::string& report, const char* extension) {
  return std::filesystem::path(report).replace_extension(extension).string();
}

// Called by the run once the report name is known and guarded, before
// anything is written: no extra output may replace an input or the report.
// The names are those the run has read so far.
void guard_extras() {
  const std::string& ctlfile = twinser::ctx.results.control_file;
  const auto is_input = [&](const std::string& path) {
    return common::same_file(path, ctlfile) || common::same_file(path, twinser::obsfile) ||
           common::same_file(path, twinser::simfile);
  };
  for (const extra_output& x : extras) {
    const std::string path = beside_report(twinser::outfile, x.extension);
    twinser::refuse_if_same(path, ctlfile, "control file");
    twinser::refuse_if_same(path, twinser::obsfile, "observed file");
    twinser::refuse_if_same(path, twinser::simfile, "simulated file");
    if (common::same_file(path, twinser::outfile))
      twinser::stop("Error: the output file " + path + " is the report file " + twinser::outfile +
                    "; nothing was written, to keep it intact\n");
  }
  // only a summary or page this tool wrote is removed; any other file of
  // that name stops the run before anything is written
  for (const char* extension : stale_extensions) {
    const std::string path = beside_report(twinser::outfile, extension);
    if (is_input(path) || common::same_file(path, twinser::outfile)) continue;
    std::error_code ec;
    if (!std::filesystem::exists(std::filesystem::symlink_status(path, ec))) continue;
    if (!twinser_view::written_by_view(path))
      twinser::stop("Error: " + path + " is in the way of the " +
                    (std::string(extension) == ".json" ? "summary" : "page") +
                    " and was not written by twinser-view; nothing was written, to keep it intact\n");
    std::filesystem::remove(path, ec);
  }
}

// The extra renderings of a run that finished; the status it ends with. Both
// are written under temporary names and checked, and only then renamed into
// place: a run that cannot write one leaves neither.
int write_extras(const twinser::run_record& run) {
  if (run.status == 1) return run.status; // the run stopped: nothing to render
  const nlohmann::ordered_json summary = twinser_view::summary_json(run, TWINSER_VERSION);
  std::vector<std::unique_ptr<twinser_view::pending_file>> files;
  for (const extra_output& x : extras) {
    const std::string path = beside_report(run.report_file, x.extension);
    files.push_back(std::make_unique<twinser_view::pending_file>(path));
    if (!files.back()->failure().empty()) {
      std::cout << "Cannot open output file: " << path << " (" << files.back()->failure() << ")\n";
      return 1;
    }
  }
  // both files written and synced at once, one on each core; a failure is
  // said for the first file in order that has one
  const auto write_one = [&summary](const extra_output& x, twinser_view::pending_file& file) {
    errno = 0;
    if (!x.write(summary, twinser::current_store(), file.temp_path()))
      return std::string(std::strerror(errno != 0 ? errno : EIO));
    return file.check();
  };
  std::vector<std::future<std::string>> written_ok;
  for (std::size_t i = 1; i < files.size(); ++i)
    written_ok.push_back(twinser::start_beside([&, i] { return write_one(extras[i], *files[i]); }));
  std::vector<std::string> failures{write_one(extras[0], *files[0])};
  for (std::future<std::string>& w : written_ok) failures.push_back(w.get());
  for (std::size_t i = 0; i < files.size(); ++i)
    if (!failures[i].empty()) {
      std::cout << "Error: cannot write " << files[i]->final_path() << ": " << failures[i] << "\n";
      return 1;
    }
  std::string written;
  for (auto& file : files) {
    const std::string why = file->commit();
    if (!why.empty()) {
      std::cout << "Error: cannot rename " << file->temp_path() << " to " << file->final_path() << ": "
                << why << "\n";
      return 1;
    }
    written += (written.empty() ? "" : ", ") + file->final_path();
  }
  std::cout << "Summary written to: " << written << "\n";
  if (!std::cout.flush()) {
    std::cerr << "Error: cannot write standard output: " << std::strerror(errno != 0 ? errno : EIO)
              << "\n";
    return 1;
  }
  return run.status;
}

// The help text: the command line is the run's own, so CLI11's generated
// usage line (which knows only --help and --version) is not shown.
const char* const HELP =
    "Usage: twinser-view [--no-bootstrap] [-o] CONTROL_FILE\n"
    "       twinser-view -h | --help | --version\n"
    "\n"
    "Statistics of an observed and a simulated time series, as twinser computes\n"
    "them, with the same terminal output, report, event.dat and exit status, and\n"
    "beside the report a JSON summary (<report stem>.json) and an HTML page\n"
    "(<report stem>.html) of every result.\n"
    "\n"
    "  -o              also write the values of every event window to event.dat\n"
    "  --no-bootstrap  leave the sampling uncertainty of the whole-period measures\n"
    "                  out of the summary (it must come before -o and the file)\n"
    "  -h, --help      print this help and exit\n"
    "  --version       print the version and exit\n"
    "\n"
    "Exit status: 0 complete, 1 the run stopped, 2 the run finished after a part\n"
    "of it was refused. See twinser-view(1) and twinser(1).\n";

} // namespace

int main(int argc, char** argv) {
  CLI::App app{"", "twinser-view"};
  app.set_help_flag();
  bool help = false;
  app.add_flag("-h,--help", help);
  bool no_bootstrap = false;
  app.add_flag("--no-bootstrap", no_bootstrap);
  app.set_version_flag("--version", std::string("twinser-view ") + TWINSER_VERSION);
  // everything else goes to the run's own command line, exactly as twinser reads it
  app.prefix_command();
  try {
    app.parse(argc, argv);
  } catch (const CLI::ParseError& e) {
    return app.exit(e);
  }
  if (help) {
    std::cout << HELP;
    return 0;
  }
  std::vector<std::string> rest = app.remaining();
  std::vector<char*> args{argv[0]};
  for (std::string& a : rest) args.push_back(a.data());
  args.push_back(nullptr);

  twinser::run_options options = twinser::command_line(static_cast<int>(rest.size() + 1), args.data());
  options.outputs_guarded = guard_extras;
  // the page's series are packed while the analyses run
  options.store_read = [] {
    const twinser::store_view store = twinser::current_store();
    // the kind as the summary will state it (data_record of summarise_data)
    const twinser::data_record& d = twinser::ctx.results.data;
    twinser_view::start_packing(store.obs, store.sim, store.lines,
                                {d.temperature, d.flow, d.area, d.step});
  };
  options.extras_wanted = true; // the summary shows them
  options.bootstrap_wanted = !no_bootstrap;
  const twinser::run_record run = twinser::run(options);
  if (!run.finished) return run.status; // a run that stopped has no renderings
  return write_extras(run);
}
