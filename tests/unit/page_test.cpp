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

using namespace twinser_view;

namespace {

std::size_t count(const std::string& text, const std::string& part) {
  std::size_t n = 0;
  for (std::size_t p = text.find(part); p != std::string::npos; p = text.find(part, p + 1)) ++n;
  return n;
}

// decodes base64 and reads little-endian singles
std::vector<float> singles(const std::string& b64) {
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
  std::vector<float> v(bytes.size() / 4);
  for (std::size_t i = 0; i < v.size(); ++i) {
    std::uint32_t u = bytes[4 * i] | bytes[4 * i + 1] << 8 | bytes[4 * i + 2] << 16 |
                      static_cast<std::uint32_t>(bytes[4 * i + 3]) << 24;
    std::memcpy(&v[i], &u, 4);
  }
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

TEST(PageSeries, SinglesInBase64WithGapsAndInfinities) {
  // 1.0f is 0x3f800000: bytes 00 00 80 3f
  const double one[] = {1.0};
  EXPECT_EQ(float32_base64(one, 1), "AACAPw==");
  EXPECT_EQ(float32_base64(one, 0), "");
  const double v[] = {2.5, -999, 1e300, -1e300, std::nan(""), -12.25, 3.4e38, 1e-50};
  const std::string b = float32_base64(v, 8);
  EXPECT_EQ(b.size(), 44u); // 32 bytes: ten groups of three and one of two
  const std::vector<float> f = singles(b);
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
  EXPECT_EQ(singles(float32_base64(near, 2)), (std::vector<float>{-1000, -998}));
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
  // the error trap, the summary, both series, uPlot, the page's own script
  EXPECT_EQ(count(page, "<script"), 6u);
  EXPECT_EQ(count(page, "</script"), 6u);
  EXPECT_EQ(count(page, "</style"), 2u);
  EXPECT_EQ(count(page, "<title>"), 1u);
  EXPECT_NE(page.find("<title>twinser: a&lt;/title&gt;&lt;script&gt;alert(2)&lt;/script&gt;.ctl</title>"),
            std::string::npos);
  EXPECT_EQ(page.find("<!--"), std::string::npos);
  // 1, NaN (0x7fc00000), 3 as singles: 00 00 80 3f  00 00 c0 7f  00 00 40 40
  EXPECT_NE(page.find("id=\"twinser-obs\">AACAPwAAwH8AAEBA</script>"), std::string::npos);
}
