// The fit measures against values that peer libraries publish in their own
// test suites, compared at the precision the report prints them. The peers'
// Nash-Sutcliffe is converted to this report's r (mean squared difference
// over n, variance over n - 1), and their percent bias to this report's
// sign (positive when the simulation is high). Each case runs through the
// multi-year row; the absolute error is read from a one-year yearly row.
#include "support.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <iomanip>
#include <limits>
#include <sstream>
#include <string>
#include <vector>

using namespace twinser;
using namespace twinser_test;

namespace {

using twinser_test::NaN;

struct PeerCase {
  const char* name;
  int temperature; // negative readings are real: only -999 is missing
  std::vector<double> obs, sim;
  // published: percent bias, absolute percent bias, RMS, R, r, absolute
  // error; NaN where the peer publishes none
  double expected[6];
};

const PeerCase peer_cases[] = {
    {"hydroeval, two random series (n 50)", 0,
     {
       4.12163019, 18.36232758, 8.01263988, 10.77006985, 19.63840808, 13.38709782, 19.64878261,
       1.46967891, 2.94507986, 18.66989149, 10.94374588, 12.84710497, 2.16565322, 10.52564014,
       14.51876746, 10.47721219, 19.94729036, 2.61103336, 3.26042311, 16.74206836, 9.13145529,
       1.64976642, 14.06612306, 18.83125766, 18.10650122, 18.73195666, 11.94963858, 10.67992664,
       9.41582541, 7.9814575, 8.95723473, 4.85209156, 2.17512672, 8.16731153, 3.62260147,
       14.70382033, 7.79189021, 8.30683168, 4.06517918, 16.01770834, 15.10669104, 5.94213565,
       14.7101872, 5.4553562, 11.66817334, 2.93192041, 18.17779718, 2.75021921, 10.7884185,
       5.45776009},
     {
       4.88322951, 13.00581834, 7.02440554, 3.97091122, 9.97534342, 10.33979266, 10.66188354,
       5.02212142, 10.11439072, 8.74766372, 2.00477724, 15.77613262, 13.60435174, 11.03978688,
       12.48102837, 15.73067134, 1.5596135, 16.38242713, 12.43641555, 18.51378375, 15.79254569,
       18.23969688, 10.9313429, 19.71969387, 10.93025247, 14.84931417, 5.46188619, 9.94941719,
       1.9727649, 15.94516433, 10.3383131, 3.59512995, 7.0910027, 13.13433473, 3.67594266,
       17.67672078, 1.86348799, 11.59849535, 10.21208572, 16.95266279, 14.43738518, 6.30404177,
       8.64896434, 9.11393758, 4.1732255, 9.72432999, 7.34643289, 9.14102392, 14.99222829,
       11.27481394},
     {0.9944878592297871, 53.68739065131718, 6.86371794420358, 0.16987016624040058, -0.3864238109252214, NaN}},
    {"HydroErr, six pairs padded with -999 and -0.1 (n 16, 6 valid)", 0,
     {
       -999.0, 100.0, -999.0, 200.0, -999.0, 300.0, -999.0, 400.0, -0.1, 500.0, 4.7, 6.0, 10.0,
       2.5, 4.0, 6.8},
     {
       6.0, -999.0, 100.0, -999.0, 200.0, -999.0, 300.0, -999.0, 400.0, -0.1, 5.0, 7.0, 9.0, 2.0,
       4.5, 6.7},
     {0.5882352941176476, NaN, 0.6582805886043833, 0.9615951377405804, 0.9361116571653233, NaN}},
    {"hydroeval evaluator example (n 4)", 0,
     {
       4.7, 4.3, 5.5, 2.7},
     {
       5.3, 4.2, 5.7, 2.3},
     {1.744186046511627, NaN, NaN, 0.98213905, 0.8972355774999999, NaN}},
    {"hydroeval example with a missing observation (n 4, 3 valid)", 0,
     {
       4.7, 4.3, -999.0, 2.7},
     {
       5.3, 4.2, 5.7, 2.3},
     {NaN, NaN, NaN, NaN, 0.8422619066666667, NaN}},
    {"spotpy, standard normal draws: negative readings, temperature rule (n 10)", 1,
     {
       -0.46341769281246226, -0.46572975357025687, 0.24196227156603412, -1.913280244657798,
       -1.7249178325130328, -0.5622875292409727, -1.0128311203344238, 0.3142473325952739,
       -0.9080240755212109, -1.4123037013352915},
     {
       0.4967141530112327, -0.13826430117118466, 0.6476885381006925, 1.5230298564080254,
       -0.23415337472333597, -0.23413695694918055, 1.5792128155073915, 0.7674347291529088,
       -0.4694743859349521, 0.5425600435859647},
     {-156.66937901878677, NaN, 1.6207985019059006, -0.110510977276, -3.604586369298696, 1.2387193462811703}},
    {"hydrotools, reversed series: R -1 (n 4)", 0,
     {
       1.0, 2.0, 3.0, 4.0},
     {
       4.0, 3.0, 2.0, 1.0},
     {0.0, NaN, 2.23606797749979, -1.0, -2.0, 2.0}},
    {"teehr gage C, 72 hourly values", 0,
     {
       100.0, 100.0, 100.0, 120.0, 140.0, 160.0, 180.0, 180.0, 170.0, 160.0, 150.0, 140.0, 130.0,
       120.0, 110.0, 100.0, 90.0, 80.0, 70.0, 60.0, 50.0, 40.0, 30.0, 20.0, 100.0, 100.0, 120.0,
       140.0, 160.0, 180.0, 180.0, 170.0, 160.0, 150.0, 140.0, 130.0, 120.0, 110.0, 100.0, 90.0,
       80.0, 70.0, 60.0, 50.0, 40.0, 30.0, 20.0, 10.0, 100.0, 120.0, 140.0, 160.0, 180.0, 180.0,
       170.0, 160.0, 150.0, 140.0, 130.0, 120.0, 110.0, 100.0, 90.0, 80.0, 70.0, 60.0, 50.0, 40.0,
       30.0, 20.0, 10.0, 0.0},
     {
       104.7300033569336, 101.8499984741211, 102.16999816894531, 124.26000213623047,
       144.83999633789062, 161.9600067138672, 180.97999572753906, 182.85000610351562,
       174.08999633789062, 160.42999267578125, 150.57000732421875, 143.7100067138672,
       131.49000549316406, 124.91999816894531, 114.81999969482422, 102.9800033569336,
       91.87000274658203, 82.8499984741211, 72.22000122070312, 61.56999969482422,
       51.619998931884766, 40.86000061035156, 34.400001525878906, 21.139999389648438,
       101.3499984741211, 102.36000061035156, 121.5199966430664, 140.0500030517578,
       160.02999877929688, 182.75, 183.10000610351562, 174.92999267578125, 160.2899932861328,
       154.22999572753906, 144.05999755859375, 135.0, 120.70999908447266, 113.51000213623047,
       101.62000274658203, 90.91000366210938, 82.61000061035156, 71.91999816894531,
       61.2400016784668, 54.41999816894531, 40.040000915527344, 32.41999816894531,
       20.950000762939453, 10.289999961853027, 103.19999694824219, 122.72000122070312,
       143.47999572753906, 164.7899932861328, 181.7100067138672, 181.33999633789062,
       174.0399932861328, 164.6199951171875, 152.3699951171875, 142.67999267578125,
       133.05999755859375, 123.37999725341797, 111.94999694824219, 102.80000305175781,
       93.1500015258789, 81.19000244140625, 74.87999725341797, 61.58000183105469, 54.0,
       42.22999954223633, 33.63999938964844, 23.700000762939453, 14.739999771118164,
       3.5299999713897705},
     {2.5035900543344782, NaN, 2.9900664581195424, 0.99959025962573, 0.996534648881525, 2.6148607234160104}},
};

// A value as the report writes it at `precision` significant digits.
std::string printed(double v, int precision) {
  std::ostringstream s;
  s.setf(std::ios::showpoint);
  s << std::setprecision(precision) << v;
  return s.str();
}

// The fixed-width fields of the first non-empty report line after the
// line holding `after`, blanks trimmed (a negative value may fill its field
// and touch its neighbour, so blanks cannot split the row).
std::vector<std::string> fields_after(const std::string& text, const std::string& after,
                                      const std::vector<int>& widths) {
  std::size_t at = text.find('\n', text.find(after)) + 1;
  while (at < text.size() && text[at] == '\n') ++at;
  std::string line = text.substr(at, text.find('\n', at) - at);
  std::vector<std::string> f;
  std::size_t pos = 0;
  for (int w : widths) {
    std::string field = line.substr(std::min(pos, line.size()), w);
    field.erase(0, field.find_first_not_of(' '));
    f.push_back(field);
    pos += w;
  }
  if (pos != line.size()) f.push_back("(row is " + std::to_string(line.size()) + " wide)");
  return f;
}

// A published value (NaN: none published) against the report's field.
void expect_printed(const std::string& field, double published, int precision, const char* what) {
  if (!std::isnan(published)) {
    EXPECT_EQ(field, printed(published, precision)) << what;
  }
}

TEST(PeerCases, MultiYearRowAndYearlyErrorAtPrintedPrecision) {
  for (const PeerCase& c : peer_cases) {
    SCOPED_TRACE(c.name);
    const double* e = c.expected;
    twinser_test::Run run;
    run.store(c.obs, c.sim, 24, 1, 2000, 12, 2000);
    itemp = c.temperature;
    month = static_cast<int*>(store_array(c.obs.size() * sizeof(int)));
    year = static_cast<int*>(store_array(c.obs.size() * sizeof(int)));
    for (std::size_t i = 0; i < c.obs.size(); ++i) {
      month[i] = 1;
      year[i] = 2000;
    }
    total_bias();
    year_bias(2000);
    std::string text = run.report_text();

    // the space before r is counted into its field
    std::vector<std::string> row =
        fields_after(text, " ------", {9, 8, 8, 8, 8, 7, 7, 7, 7, 7, 7, 8, 7});
    ASSERT_EQ(row.size(), 13u);
    expect_printed(row[0], e[0], 5, "percent bias");
    expect_printed(row[1], e[1], 5, "absolute percent bias");
    expect_printed(row[9], e[2], 4, "RMS");
    expect_printed(row[10], e[3], 3, "R");
    expect_printed(row[11], e[4], 3, "Nash-Sutcliffe r");

    // the yearly row follows the best line fit
    std::vector<std::string> yearly =
        fields_after(text, "  Best line fit", {5, 9, 9, 9, 9, 9, 10, 9, 8, 8});
    ASSERT_EQ(yearly.size(), 10u);
    EXPECT_EQ(yearly[0], "2000");
    expect_printed(yearly[3], e[5], 4, "absolute error");
  }
}

} // namespace
