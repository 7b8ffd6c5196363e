// The page writer's safety and encoding: names from the inputs cannot end the
// elements that hold them, and the series read back to the values drawn.
#include "page.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <cstring>
#include <limits>
#include <sstream>
#include <string>
#include <vector>

#include <zlib.h>

using namespace twinser_view;

namespace {

std::size_t count(const std::string& text, const std::string& part) {
  std::size_t n = 0;
  for (std::size_t p = text.find(part); p != std::string::npos; p = text.find(part, p + 1)) ++n;
  return n;
}

// decodes base64
std::vector<unsigned char> from_base64(const std::string& b64) {
  static const std::string digits =
      "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";
  std::vector<unsigned char> bytes;
  std::uint32_t w = 0;
  int bits = 0;
  for (char c : b64) {
    if (c == '=') break;
    w = (w << 6) | static_cast<std::uint32_t>(digits.find(c));
    bits += 6;
    if (bits >= 8) {
      bits -= 8;
      bytes.push_back(static_cast<unsigned char>((w >> bits) & 0xff));
    }
  }
  return bytes;
}

// inflates a deflated base64 text of `size` bytes
std::vector<unsigned char> inflated(const std::string& b64, std::size_t size) {
  const std::vector<unsigned char> packed = from_base64(b64);
  std::vector<unsigned char> bytes(size + 1);
  uLongf got = static_cast<uLongf>(bytes.size());
  EXPECT_EQ(uncompress(bytes.data(), &got, packed.data(), static_cast<uLong>(packed.size())), Z_OK);
  bytes.resize(got);
  return bytes;
}

// undoes the packing of a series of n values as the page does: low and high
// bytes into zigzagged differences, summed, or the escaped word that follows
// them where both bytes are 0xff; words read as singles
std::vector<float> singles(const std::string& b64, std::size_t n) {
  const std::vector<unsigned char> p = inflated(b64, 6 * n);
  EXPECT_GE(p.size(), 2 * n);
  if (p.size() < 2 * n) return {};
  std::vector<float> v(n);
  std::uint32_t u = 0;
  std::size_t e = 2 * n;
  for (std::size_t i = 0; i < n; ++i) {
    const std::uint32_t c = p[i] | p[n + i] << 8;
    if (c == 0xffff) {
      EXPECT_LE(e + 4, p.size());
      if (e + 4 > p.size()) return {};
      u = p[e] | p[e + 1] << 8 | p[e + 2] << 16 | static_cast<std::uint32_t>(p[e + 3]) << 24;
      e += 4;
    } else {
      u += (c & 1) ? ~(c >> 1) : c >> 1;
    }
    std::memcpy(&v[i], &u, 4);
  }
  EXPECT_EQ(e, p.size()); // no byte left over
  return v;
}

const char* const markup_path = "/data/</script><script>alert(1)</o<b>x<b><!--<script>.xk";

} // namespace

TEST(PageEscaping, HtmlTextEscapesTheFiveSpecialCharacters) {
  EXPECT_EQ(html_text("a<b>&\"c'd"), "a&lt;b&gt;&amp;&quot;c&#39;d");
  EXPECT_EQ(html_text("plain name.xk"), "plain name.xk");
  EXPECT_EQ(html_text("&amp;"), "&amp;amp;"); // already escaped text is escaped again
}

TEST(PageEscaping, ScriptJsonHidesMarkupAndReadsBack) {
  nlohmann::ordered_json j;
  j["file"] = markup_path;
  j["station"] = "A\u2028B\u2029C & <!-- -->";
  const std::string text = script_json(j);
  EXPECT_EQ(text.find('<'), std::string::npos);
  EXPECT_EQ(text.find('>'), std::string::npos);
  EXPECT_EQ(text.find('&'), std::string::npos);
  for (char c : text) EXPECT_LT(static_cast<unsigned char>(c), 0x80); // no raw U+2028 either
  EXPECT_NE(text.find("\\u003c/script\\u003e"), std::string::npos);
  EXPECT_NE(text.find("\\u2028"), std::string::npos);
  EXPECT_EQ(nlohmann::ordered_json::parse(text), j); // a JSON reader sees the same names
}

TEST(PageEscaping, ScriptJsonReplacesBytesThatAreNotUtf8AndNullsNan) {
  nlohmann::ordered_json j;
  j["file"] = std::string("o\xff\xfe<.xk", 7);
  j["nse"] = std::numeric_limits<double>::quiet_NaN();
  j["r"] = std::numeric_limits<double>::infinity();
  const std::string text = script_json(j);
  EXPECT_EQ(text, "{\"file\":\"o\\ufffd\\ufffd\\u003c.xk\",\"nse\":null,\"r\":null}");
}

TEST(PageSeries, Base64OfWholeAndPartGroups) {
  const unsigned char b[] = {0x00, 0x00, 0x80, 0x3f, 0xfb, 0xff};
  EXPECT_EQ(base64(b, 0), "");
  EXPECT_EQ(base64(b, 1), "AA==");
  EXPECT_EQ(base64(b, 2), "AAA=");
  EXPECT_EQ(base64(b, 4), "AACAPw==");
  EXPECT_EQ(base64(b, 6), "AACAP/v/"); // 0x3f 0xfb 0xff: digits 15, 63, 47, 63
}

TEST(PageSeries, PackedSinglesReadBackWithGapsAndInfinities) {
  // 1.0f is 0x3f800000: its first difference zigzags to 0x7f000000, escaped
  // as ff | ff, the word after the two byte planes
  const std::vector<unsigned char> first = {0xff, 0xff, 0x00, 0x00, 0x80, 0x3f};
  // after 1.0f, each second value: its bits, the two planes and any escaped words
  struct case_ {
    double second;
    std::vector<unsigned char> bytes;
  };
  const case_ cases[] = {
      // 0.5f, 0x3f000000: difference -0x800000, zigzag 0xffffff, escaped
      {0.5, {0xff, 0xff, 0xff, 0xff, 0x00, 0x00, 0x80, 0x3f, 0x00, 0x00, 0x00, 0x3f}},
      // the next single up, 0x3f800001: difference 1, zigzag 2
      {1.0 + 0x1p-23, {0xff, 0x02, 0xff, 0x00, 0x00, 0x00, 0x80, 0x3f}},
      // the next single down, 0x3f7fffff: difference -1, zigzag 1
      {1.0 - 0x1p-24, {0xff, 0x01, 0xff, 0x00, 0x00, 0x00, 0x80, 0x3f}},
      // 300 singles up, 0x3f80012c: zigzag 600 = 0x0258, a high byte of 2
      {1.0 + 300 * 0x1p-23, {0xff, 0x58, 0xff, 0x02, 0x00, 0x00, 0x80, 0x3f}},
      // 32767 up, 0x3f807fff: zigzag 0xfffe, the largest not escaped
      {1.0 + 32767 * 0x1p-23, {0xff, 0xfe, 0xff, 0xff, 0x00, 0x00, 0x80, 0x3f}},
      // 32768 down, 0x3f7f8000 = 0.998046875: zigzag 0xffff itself, escaped
      {0.998046875, {0xff, 0xff, 0xff, 0xff, 0x00, 0x00, 0x80, 0x3f, 0x00, 0x80, 0x7f, 0x3f}},
  };
  const double one[] = {1.0};
  EXPECT_EQ(inflated(packed_series_base64(one, 1), 6), first);
  EXPECT_TRUE(inflated(packed_series_base64(one, 0), 0).empty());
  for (const case_& c : cases) {
    const double two[] = {1.0, c.second};
    EXPECT_EQ(inflated(packed_series_base64(two, 2), 12), c.bytes) << c.second;
    EXPECT_EQ(singles(packed_series_base64(two, 2), 2),
              (std::vector<float>{1.0f, static_cast<float>(c.second)}));
  }
  const double v[] = {2.5, -999, 1e300, -1e300, std::nan(""), -12.25, 3.4e38, 1e-50};
  const std::vector<float> f = singles(packed_series_base64(v, 8), 8);
  ASSERT_EQ(f.size(), 8u);
  EXPECT_EQ(f[0], 2.5f);
  EXPECT_TRUE(std::isnan(f[1])); // the missing value is a gap
  EXPECT_EQ(f[2], std::numeric_limits<float>::infinity());
  EXPECT_EQ(f[3], -std::numeric_limits<float>::infinity());
  EXPECT_TRUE(std::isnan(f[4]));
  EXPECT_EQ(f[5], -12.25f);
  EXPECT_EQ(f[6], 3.4e38f);
  EXPECT_EQ(f[7], 0.0f);
  // -1000 and -998 are values, not the missing marker
  const double near[] = {-1000, -998};
  EXPECT_EQ(singles(packed_series_base64(near, 2), 2), (std::vector<float>{-1000, -998}));
}

TEST(PageSeries, LinesTakingPartAndAccumulatedDepth) {
  const double obs[] = {1, -999, -0.5, 2, 3}, sim[] = {2, 1, 1, -1, 4};
  // flows: neither value negative; temperatures: neither value missing
  EXPECT_EQ(lines_taking_part(obs, sim, 5, false), (std::vector<unsigned char>{1, 0, 0, 0, 1}));
  EXPECT_EQ(lines_taking_part(obs, sim, 5, true), (std::vector<unsigned char>{1, 0, 1, 1, 1}));
  // 1 km2, daily: a flow of 1 m3/s for a day is 86400 m3 over 1e6 m2, 86.4 mm
  nlohmann::ordered_json s = {{"flow", true}, {"area_km2", 1.0}, {"period", {{"step_hours", 24}}}};
  const nlohmann::ordered_json a = accumulated_depth(obs, sim, 5, s);
  EXPECT_EQ(a["every_lines"], 1);
  EXPECT_EQ(a["obs"], (nlohmann::ordered_json{86.4, 86.4, 86.4, 86.4, 345.6}));
  EXPECT_EQ(a["sim"], (nlohmann::ordered_json{172.8, 172.8, 172.8, 172.8, 518.4}));
  // depths are summed as they are
  s["flow"] = false;
  EXPECT_EQ(accumulated_depth(obs, sim, 5, s)["obs"], (nlohmann::ordered_json{1, 1, 1, 1, 4}));
}

TEST(PagePage, MarkupInNamesOpensAndClosesNoElement) {
  nlohmann::ordered_json s;
  s["control_file"] = "a</title><script>alert(2)</script>.ctl";
  s["series"]["observed"]["file"] = markup_path;
  s["series"]["observed"]["station"] = "</style><!--";
  const double obs[] = {1, -999, 3}, sim[] = {1, 2, 3};
  std::ostringstream html;
  write_page(html, s, obs, sim, 3);
  const std::string page = html.str();
  // the error trap, the summary, both series, the lines taking part, the
  // drawn points, uPlot, the page's own script
  EXPECT_EQ(count(page, "<script"), 8u);
  EXPECT_EQ(count(page, "</script"), 8u);
  EXPECT_EQ(count(page, "</style"), 2u);
  EXPECT_EQ(count(page, "<title>"), 1u);
  EXPECT_NE(page.find("<title>a&lt;/title&gt;&lt;script&gt;alert(2)&lt;/script&gt;.ctl</title>"),
            std::string::npos);
  EXPECT_EQ(page.find("<!--"), std::string::npos);
  // 1, NaN (0x7fc00000), 3 as singles
  const std::string tag = "id=\"twinser-obs\">";
  const std::size_t at = page.find(tag) + tag.size();
  const std::vector<float> f = singles(page.substr(at, page.find('<', at) - at), 3);
  ASSERT_EQ(f.size(), 3u);
  EXPECT_EQ(f[0], 1.0f);
  EXPECT_TRUE(std::isnan(f[1]));
  EXPECT_EQ(f[2], 3.0f);
}
