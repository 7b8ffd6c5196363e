// twinser-view's files: only its own summary and page count as its own, a
// file being written goes under a temporary name, and no temporary name
// outlives the write, not even when a signal ends the process.
#include "output_files.h"
#include "page.h"
#include "summary.h"

#include <gtest/gtest.h>

#include <csignal>
#include <filesystem>
#include <fstream>
#include <string>
#include <sys/stat.h>

namespace fs = std::filesystem;
using twinser_view::pending_file;
using twinser_view::written_by_view;

namespace {

// A fresh, empty folder for one test.
struct temp_folder {
  fs::path dir;
  temp_folder() {
    char name[] = "/tmp/twinser_files_XXXXXX";
    dir = mkdtemp(name);
  }
  ~temp_folder() { fs::remove_all(dir); }
  std::string at(const char* name) const { return (dir / name).string(); }
  int entries() const { return static_cast<int>(std::distance(fs::directory_iterator(dir), {})); }
};

void put(const std::string& path, const std::string& text) { std::ofstream(path) << text; }

std::string text_of(const std::string& path) {
  std::ifstream in(path);
  return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

} // namespace

TEST(ViewFiles, OnlyTheSummaryAndPageTheWritersMakeAreOurs) {
  temp_folder s;
  const double obs[] = {1, 2, 3}, sim[] = {1, 2, 2};
  const twinser::store_view store{obs, sim, 3, 24, 1, 2001};
  ASSERT_TRUE(twinser_view::write_summary(twinser::run_record{}, store, s.at("r.json")));
  ASSERT_TRUE(twinser_view::write_page_file(twinser::run_record{}, store, s.at("r.html")));
  EXPECT_TRUE(written_by_view(s.at("r.json")));
  EXPECT_TRUE(written_by_view(s.at("r.html")));
  // files of the same names that a user keeps
  put(s.at("notes.json"), "{\"schema\": \"something else\"}\n");
  put(s.at("notes.html"), "<!DOCTYPE html>\n<html><body>my notes</body></html>\n");
  put(s.at("quoted.txt"), "see <main id=\"twinser-page\"></main> in the page\n");
  put(s.at("empty"), "");
  EXPECT_FALSE(written_by_view(s.at("notes.json")));
  EXPECT_FALSE(written_by_view(s.at("notes.html")));
  EXPECT_FALSE(written_by_view(s.at("quoted.txt")));
  EXPECT_FALSE(written_by_view(s.at("empty")));
  EXPECT_FALSE(written_by_view(s.at("absent")));
  EXPECT_FALSE(written_by_view(s.dir.string())); // a folder
}

TEST(ViewFiles, WrittenUnderATemporaryNameAndRenamedOnCommit) {
  temp_folder s;
  put(s.at("r.json"), "old\n");
  {
    pending_file f(s.at("r.json"));
    ASSERT_EQ(f.failure(), "");
    EXPECT_EQ(fs::path(f.temp_path()).parent_path(), s.dir);
    put(f.temp_path(), "new\n");
    EXPECT_EQ(text_of(s.at("r.json")), "old\n"); // not in place before the commit
    EXPECT_EQ(f.check(), "");
    EXPECT_EQ(f.commit(), "");
  }
  EXPECT_EQ(text_of(s.at("r.json")), "new\n");
  EXPECT_EQ(s.entries(), 1);
  // the mode a plain create would give, not mkstemp's 0600
  const mode_t mask = umask(0);
  umask(mask);
  EXPECT_EQ(fs::status(s.at("r.json")).permissions(),
            static_cast<fs::perms>(0666 & ~mask));
  { // given up: the temporary file goes, the final name keeps what it held
    pending_file f(s.at("r.json"));
    put(f.temp_path(), "half");
  }
  EXPECT_EQ(text_of(s.at("r.json")), "new\n");
  EXPECT_EQ(s.entries(), 1);
  // a folder that does not exist: a failure with the system's reason
  pending_file f(s.at("none/r.json"));
  EXPECT_EQ(f.failure(), "No such file or directory");
  EXPECT_EQ(f.commit(), "No such file or directory");
}

TEST(ViewFilesDeathTest, ASignalRemovesTheTemporaryFiles) {
  for (int sig : {SIGINT, SIGTERM}) {
    temp_folder s;
    EXPECT_EXIT(
        {
          pending_file a(s.at("r.json"));
          pending_file b(s.at("r.html"));
          put(a.temp_path(), "part");
          put(b.temp_path(), "part");
          std::raise(sig);
        },
        testing::KilledBySignal(sig), "");
    EXPECT_EQ(s.entries(), 0) << "signal " << sig;
  }
}
