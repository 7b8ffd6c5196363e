// The series reader in-process, on February 2001 (28 days): the store must
// hold each value exactly as the nearest double to its text, and each mean in
// the order the sub-values stand in the file.
#include "support.h"

#include <gtest/gtest.h>

#include <iostream>

using namespace twinser;

namespace {

// An XK file of February 2001 at `step` hours with the given value texts.
std::string feb_series(const char* unit, int step, const std::vector<std::string>& values) {
  std::string text = "$ unit test\nTEST SERIES             ";
  text += unit;
  text += step < 10 ? "  " : " ";
  text += std::to_string(step) + "\n2 2001 2 2001 1 F10.3\n";
  for (const auto& v : values) text += std::string(21, 'X') + " " + v + "\n";
  return text;
}

struct Reader : twinser_test::Run {
  twinser_test::TempFile obs, sim;
  // Writes both files and reads them as a run does, the report on the
  // temporary report file.
  void read(const std::string& obs_text, const std::string& sim_text, const std::string& records) {
    std::ofstream(obs.path) << obs_text;
    std::ofstream(sim.path) << sim_text;
    control("@\n" + obs.path + " " + sim.path + " " + report.path + " -1 -1 -1 -1 10\n" + records);
    out.close(); // the reader opens the report itself
    testing::internal::CaptureStdout();
    read_flow();
    terminal = testing::internal::GetCapturedStdout();
  }
  std::string terminal;
};

TEST(Reader, ValuesAreTheNearestDoubles) {
  std::vector<std::string> obs = {"0.1", "1.0000000000000002", "123456.789e-3", "+7", ".5",
                                  "5.", "1e-400", "-999", "-5", "2.5e1  trailing text"};
  obs.resize(28, "3");
  Reader r;
  r.read(feb_series("CMS ", 24, obs), feb_series("CMS ", 24, std::vector<std::string>(28, "1")),
         "@Q\n");
  ASSERT_EQ(LINES, 28);
  EXPECT_EQ(time_step, 24);
  const double want[] = {0.1, 1.0000000000000002, 123.456789, 7, 0.5, 5, 0, -999, -5, 25, 3};
  for (int i = 0; i < 11; ++i) EXPECT_EQ(Qobs[i], want[i]) << "line " << i + 1;
  EXPECT_EQ(Qobs[27], 3.0);
  EXPECT_EQ(Qsim[27], 1.0);
  EXPECT_EQ((std::vector<int>{month_begin, year_begin, month_end, year_end}),
            (std::vector<int>{2, 2001, 2, 2001}));
  EXPECT_EQ(itemp, 0);
}

TEST(Reader, MeansInFileOrderWithMissingSubValuesLeftOut) {
  // observed 12-hourly, simulated daily: two observed values per line
  std::vector<std::string> obs = {"0.1", "0.2", "-1", "0.7", "-999", "-3"};
  obs.resize(56, "1");
  Reader r;
  r.read(feb_series("MM  ", 12, obs), feb_series("MM  ", 24, std::vector<std::string>(28, "1")),
         "@Q\n");
  ASSERT_EQ(time_step, 24);
  EXPECT_EQ(Qobs[0], (0.1 + 0.2) / 2); // 0.15000000000000002, not 0.15
  EXPECT_EQ(Qobs[1], 0.7);             // the negative sub-value is left out
  EXPECT_EQ(Qobs[2], -3.0);            // all missing: the last one read
}

TEST(Reader, TemperatureMeansKeepNegativeReadings) {
  // both DEGC, 12-hourly, T record 24: only -999 is missing inside a mean
  std::vector<std::string> obs = {"-4", "2", "-999", "-3", "-999", "-999"};
  obs.resize(56, "0");
  Reader r;
  r.read(feb_series("DEGC", 12, obs), feb_series("DEGC", 12, std::vector<std::string>(56, "1")),
         "@T 24\n@Q\n");
  ASSERT_EQ(itemp, 1);
  EXPECT_EQ(Qobs[0], -1.0);   // (-4 + 2) / 2
  EXPECT_EQ(Qobs[1], -3.0);   // -999 left out
  EXPECT_EQ(Qobs[2], -999.0); // all missing
  EXPECT_EQ(sunit_conv + ounit_conv, 0);
  EXPECT_NE(r.terminal.find("Your time series is temperature!\n"), std::string::npos);
}

TEST(Reader, FahrenheitConvertedAfterTheMean) {
  // observed DEGF hourly to the simulated 24-hour step: the mean first,
  // (-4 + 23 * 50) / 24 = 47.75, then (47.75 - 32) * 5 / 9 = 8.75
  std::vector<std::string> obs(24, "50");
  obs[0] = "-4";
  obs.resize(24 * 28, "32");
  std::vector<std::string> sim(28, "-999");
  sim[1] = "20";
  Reader r;
  r.read(feb_series("DEGF", 1, obs), feb_series("DEGC", 24, sim), "@Q\n");
  EXPECT_EQ(Qobs[0], 8.75);
  EXPECT_EQ(Qobs[1], 0.0);    // 32 F
  EXPECT_EQ(Qsim[0], -999.0); // DEGC left as read
  EXPECT_EQ(Qsim[1], 20.0);
  EXPECT_EQ(ounit_conv, 1);
  EXPECT_EQ(sunit_conv, 0);
  EXPECT_NE(r.terminal.find("Doing conversion for observed time series\n"), std::string::npos);
}

TEST(Reader, LinesAcrossChunksAndLongerThanAChunk) {
  // Hourly February 2001 (672 lines) padded to about 160 KiB, so lines
  // straddle the reader's 64 KiB chunks; the value of line 301 runs on in
  // 200 KiB of zeros, more than a chunk holds; the last line has no line
  // end. Line i holds (i - 1) / 4, exact in binary.
  std::string obs = "$ unit test\nTEST SERIES             CMS   1\n2 2001 2 2001 1 F10.3\n";
  for (int i = 0; i < 672; ++i) {
    obs += std::string(21, 'X') + "  " + std::to_string(i / 4.0);
    if (i == 300) obs += std::string(200 * 1024, '0');
    obs += ' ';
    obs.append(static_cast<std::size_t>(i % 400), 'p');
    if (i < 671) obs += "\n";
  }
  // line 6: white space and then digits that each run on past a chunk
  std::string sim_text = "TEST SERIES             CMS   1\n2 2001 2 2001 1 F10.3\n";
  for (int i = 0; i < 672; ++i) {
    std::string value = "1";
    if (i == 5) value = std::string(70 * 1024, ' ') + "2." + std::string(70 * 1024, '0') + "5";
    sim_text += std::string(21, 'Y') + value + "\n";
  }
  Reader r;
  r.read(obs, sim_text, "@Q\n");
  ASSERT_EQ(LINES, 672);
  for (int i = 0; i < 672; ++i) ASSERT_EQ(Qobs[i], i / 4.0) << "line " << i + 1;
  EXPECT_EQ(Qsim[5], 2.0);
  EXPECT_EQ(Qsim[671], 1.0);
}

} // namespace
