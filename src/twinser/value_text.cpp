// The value text of a data line, read as stream extraction of a double
// reads it.
#include "twinser.h"

#include <charconv>
#include <cstdint>
#include <cstring>
#include <system_error>

namespace twinser {

// ------------------------------------------------------ values
//
// The value of a data line reads as stream extraction of a double reads it
// (the reading the tool has always been defined by), within the line: white
// space as isspace knows it is skipped, CR included, but never past the line
// end; extraction then collects an optional sign, digits with at most one
// decimal point, and, once a digit has been seen, an exponent letter with an
// optional sign and more digits; the collected text must be a whole number
// or nothing is read. So "12.5abc" reads 12.5, while "1e", "1e+", ".", "-"
// and "+" cannot be read: a value cut short in a damaged file must not enter
// the statistics as a different number. from_chars finds the same number
// (correctly rounded, like strtod) much faster; what it leaves unread tells
// where the collected text ends.

bool is_space(char c) {
  return c == ' ' || c == '\t' || c == '\v' || c == '\f' || c == '\r';
}

static bool is_digit(char c) { return c >= '0' && c <= '9'; }

// The characters extraction can collect into a number.
bool number_char(char c) {
  return is_digit(c) || c == '+' || c == '-' || c == '.' || c == 'e' || c == 'E';
}

// Powers of ten that a double holds exactly.
constexpr double EXACT_TENS[] = {1e0,  1e1,  1e2,  1e3,  1e4,  1e5,  1e6,  1e7,
                                 1e8,  1e9,  1e10, 1e11, 1e12, 1e13, 1e14, 1e15,
                                 1e16, 1e17, 1e18, 1e19, 1e20, 1e21, 1e22};

// Plain decimals such as "20.011" or "-999", the bulk of every series:
// digits with at most one point, 19 digits at most, no exponent. Their
// digits m make an exact double while m <= 2^53, and with k digits after
// the point (k <= 22) m / 10^k is one correctly rounded division of two
// exact doubles: the nearest double to the text, as strtod and from_chars
// find it. False, with nothing read, for any other text.
static bool plain_decimal(const char* p, const char* e, double& x) {
  // The digits are gathered first and counted after: a run of more than 19
  // wraps m around (unsigned, so well defined) and is refused on its count.
  std::uint64_t m = 0;
  const char* const first = p;
  for (; p < e; ++p) {
    const unsigned d = static_cast<unsigned char>(*p) - unsigned{'0'};
    if (d > 9) break;
    m = m * 10 + d;
  }
  const std::ptrdiff_t before_point = p - first;
  std::ptrdiff_t after_point = 0;
  if (p < e && *p == '.') {
    const char* const fraction = ++p;
    for (; p < e; ++p) {
      const unsigned d = static_cast<unsigned char>(*p) - unsigned{'0'};
      if (d > 9) break;
      m = m * 10 + d;
    }
    after_point = p - fraction;
  }
  const std::ptrdiff_t digits = before_point + after_point;
  if (digits == 0 || digits > 19 || after_point > 22 || m > (std::uint64_t{1} << 53)) return false;
  if (p < e && (*p == 'e' || *p == 'E')) return false;
  x = static_cast<double>(m) / EXACT_TENS[after_point];
  return true;
}

// Skips the blanks before a value, eight bytes at a time where the line has
// them: a series file pads its values with blanks to a fixed width.
static const char* skip_blanks(const char* p, const char* e) {
  if constexpr (std::endian::native == std::endian::little) {
    constexpr std::uint64_t BLANKS = 0x2020202020202020u; // eight ' '
    while (e - p >= 8) {
      std::uint64_t w = 0;
      std::memcpy(&w, p, sizeof w);
      w ^= BLANKS; // zero bytes where the blanks are; the first byte is the lowest
      if (w != 0) return p + std::countr_zero(w) / 8;
      p += 8;
    }
  }
  while (p < e && *p == ' ') ++p;
  return p;
}

value_text read_number(const char* p, const char* e, double& v) {
  p = skip_blanks(p, e);
  while (p < e && is_space(*p)) ++p; // tabs, CR, VT, FF, and blanks after them
  const char* from = p; // from_chars takes a minus sign but not a plus sign
  bool minus = false;
  if (p < e && (*p == '+' || *p == '-')) {
    minus = *p == '-';
    if (!minus) from = p + 1;
    ++p;
  }
  if (p == e || !(is_digit(*p) || *p == '.')) return value_text::none; // also "inf", "nan", "+-1"
  double x = 0;
  if (plain_decimal(p, e, x)) {
    v = minus ? -x : x;
    return value_text::number;
  }
  auto [stop, ec] = std::from_chars(from, e, x);
  if (ec == std::errc::invalid_argument) return value_text::none; // ".", ".e5": no digit
  // An exponent letter left unread: extraction takes it into the number (a
  // digit came before it), and without digits of its own the number is cut short.
  if (stop < e && (*stop == 'e' || *stop == 'E') &&
      std::memchr(from, 'e', static_cast<std::size_t>(stop - from)) == nullptr &&
      std::memchr(from, 'E', static_cast<std::size_t>(stop - from)) == nullptr)
    return value_text::none;
  if (ec == std::errc::result_out_of_range) {
    // from_chars refuses both ends of the range; extraction keeps what strtod
    // gives below it (a subnormal, or zero with its sign) and refuses above.
    const std::string text(from, stop);
    x = std::strtod(text.c_str(), nullptr);
    if (std::isinf(x)) return value_text::too_large;
  }
  v = x;
  return value_text::number;
}

} // namespace twinser
