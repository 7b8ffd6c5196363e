// The value of a data line must read exactly as stream extraction of a double
// reads the same text: the same number to the last bit (the sign of zero
// included), and a refusal wherever extraction fails. Extraction is the
// reference here, run on every text beside the reader's own parser.
#include "twinser.h"

#include <gtest/gtest.h>

#include <cfloat>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <random>
#include <sstream>
#include <string>
#include <vector>

using namespace twinser;

namespace {

// What extraction makes of `text`: a number, an overflow (failbit with the
// largest double, as the library reports it) or nothing.
value_text extract(std::istringstream& in, const std::string& text, double& v) {
  in.clear();
  in.str(text);
  v = -1;
  in >> v;
  if (!in.fail()) return value_text::number;
  return (v == DBL_MAX || v == -DBL_MAX) ? value_text::too_large : value_text::none;
}

std::uint64_t bits(double v) {
  std::uint64_t b;
  std::memcpy(&b, &v, sizeof b);
  return b;
}

// Compares the parser with extraction on each text; stops after a few
// mismatches so that a fault shows its first examples, not thousands.
struct Comparer {
  std::istringstream in;
  int mismatches = 0;
  long compared = 0;
  void check(const std::string& text) {
    ++compared;
    double want = 0, got = 0;
    const value_text expected = extract(in, text, want);
    const value_text result = read_number(text.data(), text.data() + text.size(), got);
    bool same = result == expected && (expected != value_text::number || bits(got) == bits(want));
    if (!same && ++mismatches <= 10)
      ADD_FAILURE() << "text \"" << text << "\": extraction " << static_cast<int>(expected) << " "
                    << want << ", parser " << static_cast<int>(result) << " " << got;
  }
};

TEST(ValueText, EdgeFormsReadAsExtractionReadsThem) {
  const std::vector<std::string> texts = {
      "", " ", "\r", " \t\v\f\r ", "1e", "1E", "1e+", "1e-", "1.e", ".e5", "e5", ".", "-", "+",
      "+-1", "-+1", "--1", "++1", "-.", "+.", "-.5", "+.5", "5.", "5.e3", ".5e-3", "12.5abc",
      "\r65.50", " \r 7", "1e5e3", "1e5.3", "1.2.3", "1-2", "1e+-5", "1e--5", "0x10", "0X1p3",
      "inf", "-inf", "nan", "infinity", "1e400", "-1e400", "1e-400", "-1e-400", "0", "-0", "+0",
      "-0.0e0", "000123.4500", "0000", "00.", "4.9e-324", "2.4703282292062327e-324",
      "2.4703282292062328e-324", "2.2250738585072011e-308", "2.2250738585072014e-308",
      "1.7976931348623157e308", "1.7976931348623158e308", "1.7976931348623159e308",
      "1.797693134862315807e308", "179769313486231580793728971405301e276", "1e-4294967296",
      "1e4294967296", "1e+0000000000000000000000000000308", "0e999999", "0.000e-999999",
      "-999", "-999.000", "  -999  rest", "1,5", "1 5", "7\t8", "9\r", "12.5e", "12.5e+x",
      std::string(400, '9'), "1" + std::string(400, '0'), "0." + std::string(330, '0') + "1",
      "0." + std::string(350, '0') + "1", std::string(500, '0') + "1.5",
      "0.1000000000000000055511151231257827021181583404541015625",
      "0.10000000000000000555111512312578270211815834045410156251",
      // around the short way for plain decimals: 19 digits, 2^53, 22 decimals
      "9007199254740992", "9007199254740993", "-9007199254740993", "900719925474099.3",
      "9007199254740992.0", "1234567890123456789", "12345678901234567890", "0.9999999999999999999",
      "0.0000000000000000000001", "0.00000000000000000000001", "0.30000000000000004",
      "123456789012345678.9", "1.5e", "1.5E3", "2.", "-0.", "-.0"};
  Comparer c;
  for (const auto& t : texts) c.check(t);
  EXPECT_EQ(c.mismatches, 0);
}

// Random texts built from the pieces extraction looks at: white space, signs,
// digits with leading zeros, points, exponent letters and signs, exponents
// near the ends of the range, and whatever may follow a number on a line.
TEST(ValueText, GeneratedTextsReadAsExtractionReadsThem) {
  std::mt19937_64 rng(20240611);
  auto pick = [&](const std::vector<std::string>& from) { return from[rng() % from.size()]; };
  auto digits = [&](int n) {
    std::string s;
    for (int i = 0; i < n; ++i) s.push_back(static_cast<char>('0' + rng() % 10));
    return s;
  };
  const std::vector<std::string> spaces = {"", "", "", " ", "   ", "\t", "\r", " \r", "\v\f"};
  const std::vector<std::string> signs = {"", "", "", "-", "+", "--", "+-", "-+"};
  const std::vector<std::string> zeros = {"", "", "0", "000"};
  const std::vector<std::string> exps = {"e", "E", "e+", "e-", "E-", "e+-"};
  const std::vector<std::string> tails = {"", "", "", " ", "\r", "abc", "e", "E5", ".", ".5",
                                          "+", "-", "x", " 12", "e+", "\t9"};
  Comparer c;
  for (int i = 0; i < 200000; ++i) {
    std::string t = pick(spaces) + pick(signs) + pick(zeros);
    const int shape = static_cast<int>(rng() % 8);
    const int n = shape == 0 ? static_cast<int>(rng() % 40) : static_cast<int>(rng() % 8);
    t += digits(n);
    if (rng() % 2) t += "." + digits(static_cast<int>(rng() % (shape == 1 ? 30 : 6)));
    if (rng() % 2) {
      t += pick(exps);
      switch (rng() % 4) {
      case 0: t += digits(static_cast<int>(rng() % 3)); break;
      case 1: t += std::to_string(290 + rng() % 40); break;  // near the top of the range
      case 2: t += std::to_string(300 + rng() % 30); break;  // with a minus: subnormals
      default: t += pick(zeros) + digits(static_cast<int>(rng() % 6)); break;
      }
    }
    t += pick(tails);
    c.check(t);
  }
  // Doubles of every kind, subnormals and extremes included, written with
  // 1 to 17 significant digits and as the C library writes them.
  for (int i = 0; i < 100000; ++i) {
    double v;
    const std::uint64_t b = rng();
    std::memcpy(&v, &b, sizeof v);
    if (v != v || v - v != 0) continue; // no NaN or infinity texts
    char text[64];
    const int precision = 1 + static_cast<int>(rng() % 17);
    std::snprintf(text, sizeof text, (rng() % 2) ? "%.*g" : "%.*e", precision, v);
    c.check(pick(spaces) + text + pick(tails));
  }
  EXPECT_EQ(c.mismatches, 0);
  EXPECT_GT(c.compared, 290000);
}

} // namespace
