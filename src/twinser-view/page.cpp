// Page writer: the run's HTML page. One file holds uPlot, its style sheet, the
// page's own script and style, the JSON summary and both series, so the page
// opens offline and draws without a server; page.js does the drawing.
#include "page.h"

#include "summary.h"

#include <cfloat>
#include <cmath>
#include <cstdint>
#include <cstring>
#include <fstream>
#include <limits>

namespace twinser_view::asset {
extern const unsigned char uplot_js[]; // third_party/uplot/uPlot.iife.min.js
extern const std::size_t uplot_js_size;
extern const unsigned char uplot_css[]; // third_party/uplot/uPlot.min.css
extern const std::size_t uplot_css_size;
extern const unsigned char page_js[]; // src/twinser-view/page.js
extern const std::size_t page_js_size;
extern const unsigned char page_css[]; // src/twinser-view/page.css
extern const std::size_t page_css_size;
} // namespace twinser_view::asset

namespace twinser_view {

// ------------------------------------------------------ escaping for the page

std::string html_text(std::string_view text) {
  std::string s;
  s.reserve(text.size());
  for (char c : text) {
    switch (c) {
    case '&': s += "&amp;"; break;
    case '<': s += "&lt;"; break;
    case '>': s += "&gt;"; break;
    case '"': s += "&quot;"; break;
    case '\'': s += "&#39;"; break;
    default: s += c;
    }
  }
  return s;
}

// ensure_ascii leaves no raw U+2028/2029 or other non-ASCII byte; < > & occur
// only inside strings, where the \u forms read back to the same characters.
std::string script_json(const nlohmann::ordered_json& summary) {
  const std::string text =
      summary.dump(-1, ' ', true, nlohmann::ordered_json::error_handler_t::replace);
  std::string s;
  s.reserve(text.size());
  for (char c : text) {
    switch (c) {
    case '<': s += "\\u003c"; break;
    case '>': s += "\\u003e"; break;
    case '&': s += "\\u0026"; break;
    default: s += c;
    }
  }
  return s;
}

// ----------------------------------------------------------- series encoding

// A value as the page draws it: missing and NaN as NaN, beyond single range as
// an infinity (a plain cast would be undefined there), else rounded to single.
static float drawn_value(double v) {
  if (twinser::is_missing(v) || std::isnan(v)) return std::numeric_limits<float>::quiet_NaN();
  if (v > FLT_MAX) return std::numeric_limits<float>::infinity();
  if (v < -FLT_MAX) return -std::numeric_limits<float>::infinity();
  return static_cast<float>(v);
}

std::string float32_base64(const double* values, int lines) {
  static const char digits[] =
      "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";
  const std::size_t n = lines > 0 ? static_cast<std::size_t>(lines) : 0;
  std::string bytes(4 * n, '\0');
  for (std::size_t i = 0; i < n; ++i) {
    float f = drawn_value(values[i]);
    std::uint32_t u;
    std::memcpy(&u, &f, 4);
    for (int k = 0; k < 4; ++k) bytes[4 * i + k] = static_cast<char>((u >> (8 * k)) & 0xff);
  }
  std::string s;
  s.reserve((bytes.size() + 2) / 3 * 4);
  for (std::size_t i = 0; i < bytes.size(); i += 3) {
    const std::size_t left = bytes.size() - i;
    std::uint32_t w = static_cast<std::uint32_t>(static_cast<unsigned char>(bytes[i])) << 16;
    if (left > 1) w |= static_cast<std::uint32_t>(static_cast<unsigned char>(bytes[i + 1])) << 8;
    if (left > 2) w |= static_cast<unsigned char>(bytes[i + 2]);
    s += digits[(w >> 18) & 63];
    s += digits[(w >> 12) & 63];
    s += left > 1 ? digits[(w >> 6) & 63] : '=';
    s += left > 2 ? digits[w & 63] : '=';
  }
  return s;
}

// ------------------------------------------------------------------ the page

// The first script: every script error and any dialog (which no part of the
// page opens) is written into #twinser-errors, where a reader and the browser
// test both see it.
static const char error_trap[] = R"(
(function () {
  var log = [];
  function note(text) {
    log.push(String(text));
    var box = document.getElementById('twinser-errors');
    if (box) box.textContent = log.join('\n');
  }
  window.twinserErrors = log;
  window.twinserNote = note;
  window.addEventListener('error', function (e) {
    note('script error: ' + e.message + ' (line ' + e.lineno + ')');
  });
  window.addEventListener('unhandledrejection', function (e) { note('script error: ' + e.reason); });
  window.alert = window.confirm = window.prompt = function (m) { note('dialog opened: ' + m); };
})();
)";

static void put(std::ostream& html, const unsigned char* bytes, std::size_t size) {
  html.write(reinterpret_cast<const char*>(bytes), static_cast<std::streamsize>(size));
}

void write_page(std::ostream& html, const nlohmann::ordered_json& summary, const double* obs,
                const double* sim, int lines) {
  std::string name = summary.value("control_file", std::string());
  html << "<!DOCTYPE html>\n<html lang=\"en\">\n<head>\n<meta charset=\"utf-8\">\n"
       // nothing may be fetched when the page is viewed
       << "<meta http-equiv=\"Content-Security-Policy\" content=\"default-src 'none'; "
          "script-src 'unsafe-inline'; style-src 'unsafe-inline'; img-src data:\">\n"
       << "<meta name=\"viewport\" content=\"width=device-width, initial-scale=1\">\n"
       << "<title>twinser: " << html_text(name) << "</title>\n"
       << "<script>" << error_trap << "</script>\n<style>\n";
  put(html, asset::uplot_css, asset::uplot_css_size);
  html << "\n</style>\n<style>\n";
  put(html, asset::page_css, asset::page_css_size);
  html << "</style>\n</head>\n<body>\n"
       << "<noscript><p>This page draws its charts with JavaScript; the numbers are in the "
          "report and the JSON summary beside it.</p></noscript>\n"
       << "<pre id=\"twinser-errors\"></pre>\n<main id=\"twinser-page\"></main>\n"
       << "<script type=\"application/json\" id=\"twinser-summary\">" << script_json(summary)
       << "</script>\n"
       << "<script type=\"application/octet-stream\" id=\"twinser-obs\">"
       << float32_base64(obs, lines) << "</script>\n"
       << "<script type=\"application/octet-stream\" id=\"twinser-sim\">"
       << float32_base64(sim, lines) << "</script>\n<script>\n";
  put(html, asset::uplot_js, asset::uplot_js_size);
  html << "</script>\n<script>\n";
  put(html, asset::page_js, asset::page_js_size);
  html << "</script>\n</body>\n</html>\n";
}

bool write_page_file(const twinser::run_record& run, const twinser::store_view& store,
                     const std::string& path) {
  std::ofstream file(path, std::ios::out | std::ios::trunc | std::ios::binary);
  if (!file) return false;
  write_page(file, summary_json(run, TWINSER_VERSION), store.obs, store.sim, store.lines);
  return static_cast<bool>(file.flush());
}

} // namespace twinser_view
