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

// The extra renderings of a finished run, written beside the report as
// <report stem><extension>, in this order: the summary and the page. Both
// are rendered from one summary of the run, made once.
const char* const extras[] = {".json", ".html"};


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
  for (const char* extension : extras) {
    const std::string path = beside_report(twinser::outfile, extension);
    twinser::refuse_if_same(path, ctlfile, "control file");
    twinser::refuse_if_same(path, twinser::obsfile, "observed file");
    twinser::refuse_if_same(path, twinser::simfile, "simulated file");
    if (common::same_file(path, twinser::outfile))
      twinser::stop("Error: the output file " + path + " is the report file " + twinser::outfile +
                    "; nothing was written, to keep it intact\n");
  }
  // renderings an earlier run of the same control file may have left are
  // removed before anything is written, so a run that stops leaves none;
  // only a summary or page this tool wrote is removed, and any other file of
  // that name stops the run before anything is written
  for (const char* extension : extras) {
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

// The page's file, made once the store is read, so that the page can be
// written while the analyses run; gone (and its page left unfinished) unless
// the run ends with it renamed into place.
std::unique_ptr<twinser_view::pending_file> page_file;

void begin_page() {
  page_file = std::make_unique<twinser_view::pending_file>(beside_report(twinser::outfile, extras[1]));
  if (!page_file->failure().empty()) return; // said after the run, in the order of the files
  const twinser::store_view store = twinser::current_store();
  // the kind as the summary will state it (data_record of summarise_data)
  const twinser::data_record& d = twinser::ctx.results.data;
  twinser_view::begin_page(page_file->temp_path(), twinser::ctx.results.control_file, twinser::ctx.results.label,
                           store.obs, store.sim, store.lines, {d.temperature, d.flow, d.area, d.step});
}

// The extra renderings of a run that finished; the status it ends with. Both
// are written under temporary names and checked, and only then renamed into
// place: a run that cannot write one leaves neither.
int write_extras(const twinser::run_record& run) {
  if (run.status == 1) return run.status; // the run stopped: nothing to render
  // all but the measures beyond the report, while their threads end
  nlohmann::ordered_json summary = twinser_view::summary_before_beyond(run, TWINSER_VERSION);
  twinser_view::add_beyond(summary, twinser::take_beyond());
  const std::string text = twinser_view::summary_text(summary);
  std::vector<twinser_view::pending_file*> files;
  twinser_view::pending_file summary_file(beside_report(run.report_file, extras[0]));
  files.push_back(&summary_file);
  if (page_file == nullptr)
    page_file = std::make_unique<twinser_view::pending_file>(beside_report(run.report_file, extras[1]));
  files.push_back(page_file.get());
  for (twinser_view::pending_file* file : files)
    if (!file->failure().empty()) {
      std::cout << "Cannot open output file: " << file->final_path() << " (" << file->failure() << ")\n";
      return 1;
    }
  // both files ended and synced at once, one on each core; a failure is
  // said for the first file in order that has one
  std::future<std::string> page_ok = twinser::start_beside([&] {
    const std::string why = twinser_view::end_page(text);
    return why.empty() ? page_file->check() : why;
  });
  errno = 0;
  const std::string summary_ok = twinser_view::write_summary_text(text, summary_file.temp_path())
                                     ? summary_file.check()
                                     : std::strerror(errno != 0 ? errno : EIO);
  const std::string failures[] = {summary_ok, page_ok.get()};
  for (std::size_t i = 0; i < files.size(); ++i)
    if (!failures[i].empty()) {
      std::cout << "Error: cannot write " << files[i]->final_path() << ": " << failures[i] << "\n";
      return 1;
    }
  std::string written;
  for (twinser_view::pending_file* file : files) {
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
  // the page is packed and mostly written while the analyses run
  options.store_read = begin_page;
  options.extras_wanted = true; // the summary shows them
  options.bootstrap_wanted = !no_bootstrap;
  options.extras_taken_later = true; // the summary is begun while they end
  const twinser::run_record run = twinser::run(options);
  const int status = run.finished ? write_extras(run) : run.status; // a run that stopped has no renderings
  twinser::take_beyond();        // not left running as the process ends
  twinser_view::abandon_page(); // a page not renamed into place is left unfinished, and then removed
  page_file.reset();
  return status;
}
