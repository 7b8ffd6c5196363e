// Page writer: the run's HTML page. One file holds uPlot, its style sheet, the
// page's own script and style, the JSON summary and both series, so the page
// opens offline and draws without a server; page.js does the drawing.
#include "page.h"

#include "summary.h"

#include <algorithm>
#include <cfloat>
#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <fstream>
#include <future>
#include <iterator>
#include <limits>
#include <memory>
#include <stdexcept>
#include <string_view>
#include <unistd.h>
#include <vector>

#include <libdeflate.h>

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
  return script_safe(summary.dump(-1, ' ', true, nlohmann::ordered_json::error_handler_t::replace));
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

static const char base64_digits[] =
    "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";

// Appends the whole three-byte groups of [bytes, bytes + size) as base64 to
// `s`; returns how many bytes (0 to 2) are left over.
static std::size_t append_base64_groups(std::string& s, const unsigned char* bytes, std::size_t size) {
  const std::size_t groups = size / 3;
  const std::size_t at = s.size();
  s.resize(at + 4 * groups);
  char* o = s.data() + at;
  for (std::size_t g = 0; g < groups; ++g, bytes += 3, o += 4) {
    const std::uint32_t w = std::uint32_t{bytes[0]} << 16 | std::uint32_t{bytes[1]} << 8 | bytes[2];
    o[0] = base64_digits[w >> 18];
    o[1] = base64_digits[(w >> 12) & 63];
    o[2] = base64_digits[(w >> 6) & 63];
    o[3] = base64_digits[w & 63];
  }
  return size - 3 * groups;
}

// Appends the last one or two bytes as a group padded with '='.
static void append_base64_end(std::string& s, const unsigned char* bytes, std::size_t left) {
  if (left == 0) return;
  std::uint32_t w = std::uint32_t{bytes[0]} << 16;
  if (left > 1) w |= std::uint32_t{bytes[1]} << 8;
  s += base64_digits[w >> 18];
  s += base64_digits[(w >> 12) & 63];
  s += left > 1 ? base64_digits[(w >> 6) & 63] : '=';
  s += '=';
}

std::string base64(const unsigned char* bytes, std::size_t size) {
  std::string s;
  s.reserve((size + 2) / 3 * 4);
  const std::size_t left = append_base64_groups(s, bytes, size);
  append_base64_end(s, bytes + size - left, left);
  return s;
}

namespace {
// libdeflate, the whole buffer at once: a third of the time of zlib's stream
// at its fastest level, in zlib's format all the same. The level goes with
// what is packed (a century of hourly lines, 876,600 a series; medians of 41
// on a 2-core machine): filling and deflating the differences below takes
// 7.0 ms a series at level 1 for 373 KB, 9.3 ms at level 2 for 337 KB, 9.8 ms
// at level 3 for 308 KB (the filling 1.7 ms of each), so level 1: the time is
// the writer's on every run, the larger page costs the browser little to
// unpack. The lines taking part, one long run of ones broken where a value
// is missing, deflate in 2.2 ms at level 1 and 1.4 ms at level 3, to 1.2 and
// 1.0 KB, so level 3. A compressor of each level and the output buffer are
// kept for every buffer of a page: new ones would clear their tables and
// pages afresh.
constexpr int SERIES_LEVEL = 1;
constexpr int PART_LEVEL = 3;

class deflater {
public:
  std::string base64_of(const unsigned char* bytes, std::size_t size, int level) {
    libdeflate_compressor* c = compressor(level);
    const std::size_t bound = libdeflate_zlib_compress_bound(c, size);
    // plain pages: the output fills a fraction of its bound, and only the
    // pages written are ever cleared
    if (bound > capacity_) {
      out_ = std::make_unique_for_overwrite<unsigned char[]>(bound);
      capacity_ = bound;
    }
    const std::size_t packed = libdeflate_zlib_compress(c, bytes, size, out_.get(), bound);
    if (packed == 0) throw std::runtime_error("the page's series could not be compressed");
    return base64(out_.get(), packed);
  }

private:
  struct compressor_free {
    void operator()(libdeflate_compressor* c) const { libdeflate_free_compressor(c); }
  };
  // libdeflate's levels run from 0 (stored) to 12
  libdeflate_compressor* compressor(int level) {
    if (level < 0 || level >= static_cast<int>(std::size(c_)))
      throw std::invalid_argument("no such deflate level");
    auto& c = c_[static_cast<std::size_t>(level)];
    if (!c) c.reset(libdeflate_alloc_compressor(level));
    if (!c) throw std::runtime_error("the page's series could not be compressed");
    return c.get();
  }
  std::unique_ptr<libdeflate_compressor, compressor_free> c_[13];
  std::unique_ptr<unsigned char[]> out_;
  std::size_t capacity_ = 0;
};
} // namespace

std::string deflated_base64(const unsigned char* bytes, std::size_t size, int level) {
  return deflater().base64_of(bytes, size, level);
}

// The bytes of a series. Neighbouring values are close, so the difference of
// their bit patterns (mod 2^32) is small either way; zigzagged (0, -1, 1, -2,
// ... as 0, 1, 2, 3, ...) it mostly fits 16 bits, and its low bytes, then its
// high bytes, give the deflater long runs. A zigzag of 0xFFFF or more (a
// change of 2^15 units in the last place, 0.2 to 0.4 % of the value; a
// change of sign; a gap beginning or ending) is written
// as 0xFFFF, and the line's own word follows after the 2 x lines bytes,
// little-endian, in line order: a reader never sums an escaped difference.
// `bytes` holds 6 x lines bytes (every line escaped); returns how many are
// filled, 2 x lines and 4 for each escaped line.
static std::size_t fill_differences(unsigned char* bytes, const double* values, std::size_t n) {
  unsigned char* escaped = bytes + 2 * n;
  std::uint32_t before = 0;
  for (std::size_t i = 0; i < n; ++i) {
    const float f = drawn_value(values[i]);
    std::uint32_t u;
    std::memcpy(&u, &f, 4);
    const std::uint32_t d = u - before;
    before = u;
    const std::uint32_t z = (d << 1) ^ static_cast<std::uint32_t>(static_cast<std::int32_t>(d) >> 31);
    const std::uint32_t c = std::min<std::uint32_t>(z, 0xFFFF);
    bytes[i] = static_cast<unsigned char>(c);
    bytes[n + i] = static_cast<unsigned char>(c >> 8);
    // the word is written for every line and kept only for an escaped one:
    // no branch to mispredict on the one line in seventeen that escapes
    // (there is room: 4 bytes a line before this one at most are kept)
    escaped[0] = static_cast<unsigned char>(u);
    escaped[1] = static_cast<unsigned char>(u >> 8);
    escaped[2] = static_cast<unsigned char>(u >> 16);
    escaped[3] = static_cast<unsigned char>(u >> 24);
    escaped += c == 0xFFFF ? 4 : 0;
  }
  return static_cast<std::size_t>(escaped - bytes);
}

std::string packed_series_base64(const double* values, int lines) {
  const std::size_t n = lines > 0 ? static_cast<std::size_t>(lines) : 0;
  const auto bytes = twinser::scratch<unsigned char>(6 * n);
  return deflated_base64(bytes.get(), fill_differences(bytes.get(), values, n), SERIES_LEVEL);
}

// ------------------------------------------------------- drawn from the store
//
// What the page draws that no record holds: which lines take part in the
// multi-year row (for the scatter), and the running depths of both series
// (for the accumulated depth chart), sampled every few lines.

// part[i] = 1 where line i takes part in the multi-year row (valid_for_total),
// with the kind of series the summary names, else 0.
static void fill_taking_part(unsigned char* part, const double* obs, const double* sim, std::size_t n,
                             bool temperature) {
  for (std::size_t i = 0; i < n; ++i)
    part[i] = temperature ? twinser::neither_missing(obs[i], sim[i])
                          : twinser::both_non_negative(obs[i], sim[i]);
}

std::vector<unsigned char> lines_taking_part(const double* obs, const double* sim, int lines,
                                             bool temperature) {
  std::vector<unsigned char> part(lines > 0 ? static_cast<std::size_t>(lines) : 0);
  fill_taking_part(part.data(), obs, sim, part.size(), temperature);
  return part;
}

nlohmann::ordered_json accumulated_depth(const double* obs, const double* sim, int lines,
                                         const nlohmann::ordered_json& summary) {
  return accumulated_depth(obs, sim, lines, series_kind_of(summary));
}

series_kind series_kind_of(const nlohmann::ordered_json& summary) {
  series_kind k;
  k.temperature = summary.value("temperature", false);
  k.flow = summary.value("flow", false);
  k.area = summary.contains("area_km2") && summary["area_km2"].is_number() ? summary["area_km2"].get<double>() : 0;
  k.step = summary.contains("period") ? summary["period"].value("step_hours", 24) : 24;
  return k;
}

// The lines [from, to) of selection I (neither value negative) added to the
// running sums in line order. A function of its own, not inlined: between
// the runs the points are appended to the JSON, calls that leave no register
// as it was, so that inline the sums would live in memory, each addition
// waiting on the store of the one before.
struct running_sums {
  double obs = 0, sim = 0;
};
[[gnu::noinline]] static running_sums add_run(const double* obs, const double* sim, int from, int to,
                                              running_sums r) {
  // scalars, added without a branch: a pair in a struct, or sums added on
  // one side of a branch, are kept in memory. A line left out adds +0, which
  // leaves the sums as they are (they start at +0 and never go below it).
  double so = r.obs, ss = r.sim;
  for (int i = from; i < to; ++i) {
    const double o = obs[i], s = sim[i];
    const bool part = twinser::both_non_negative(o, s);
    so += part ? o : 0.0;
    ss += part ? s : 0.0;
  }
  return {so, ss};
}

nlohmann::ordered_json accumulated_depth(const double* obs, const double* sim, int lines,
                                         const series_kind& kind) {
  const int every = std::max(1, (lines + ACCUMULATED_POINTS - 1) / ACCUMULATED_POINTS);
  const bool flow = kind.flow;
  const double area = kind.area;
  const int step = kind.step;
  // as selection I turns a sum of flows into a depth: volume = step h * S *
  // 3600 s/h m3 over area * 1e6 m2, in mm; depths are summed as they are
  auto depth = [&](double S) { return flow && area > 0 ? ((step * S * 3600) / (area * 1000000)) * 1000 : S; };
  nlohmann::ordered_json o = nlohmann::ordered_json::array(), s = nlohmann::ordered_json::array();
  double so = 0, ss = 0;
  for (int from = 0; from < lines; from += every) { // one point after each run of `every` lines
    const running_sums r = add_run(obs, sim, from, std::min(lines, from + every), {so, ss});
    so = r.obs;
    ss = r.sim;
    // to a thousandth of a mm (or of a value sum): finer than a pixel
    o.push_back(std::round(depth(so) * 1000) / 1000);
    s.push_back(std::round(depth(ss) * 1000) / 1000);
  }
  return {{"every_lines", every}, {"obs", o}, {"sim", s}};
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

// ------------------------------------------------------------------ packing

namespace {
// everything of the page drawn from the store: both series packed, the
// lines taking part packed, the accumulated depth as JSON text
struct packed_pair {
  std::string obs, sim, part, drawn;
};

packed_pair pack_all(const double* obs, const double* sim, int lines, series_kind kind) {
  packed_pair p;
  // one buffer for both series, and then for the lines taking part
  const std::size_t n = lines > 0 ? static_cast<std::size_t>(lines) : 0;
  const auto bytes = twinser::scratch<unsigned char>(6 * n);
  deflater packer;
  p.obs = packer.base64_of(bytes.get(), fill_differences(bytes.get(), obs, n), SERIES_LEVEL);
  p.sim = packer.base64_of(bytes.get(), fill_differences(bytes.get(), sim, n), SERIES_LEVEL);
  // the lines taking part, one byte a line, in the pages the series touched
  fill_taking_part(bytes.get(), obs, sim, n, kind.temperature);
  p.part = packer.base64_of(bytes.get(), n, PART_LEVEL);
  p.drawn = script_json({{"accumulated", accumulated_depth(obs, sim, lines, kind)}});
  return p;
}

// The page up to the summary: the head, the styles, the packed series and
// uPlot. The summary comes after all of them, just before the script that
// reads it, so that everything else can be written while the run goes on.
void write_page_start(std::ostream& html, const std::string& control, const std::string& label,
                      const packed_pair& packed) {
  html << "<!DOCTYPE html>\n<html lang=\"en\">\n<head>\n<meta charset=\"utf-8\">\n"
       // nothing may be fetched when the page is viewed
       << "<meta http-equiv=\"Content-Security-Policy\" content=\"default-src 'none'; "
          "script-src 'unsafe-inline'; style-src 'unsafe-inline'; img-src data:\">\n"
       << "<meta name=\"viewport\" content=\"width=device-width, initial-scale=1\">\n"
       << "<title>" << html_text(label.empty() ? control : label + " (" + control + ")")
       << "</title>\n"
       << "<script>" << error_trap << "</script>\n<style>\n";
  put(html, asset::uplot_css, asset::uplot_css_size);
  html << "\n</style>\n<style>\n";
  put(html, asset::page_css, asset::page_css_size);
  html << "</style>\n</head>\n<body>\n"
       << "<noscript><p>This page draws its charts with JavaScript; the numbers are in the "
          "report and the JSON summary beside it.</p></noscript>\n"
       << "<pre id=\"twinser-errors\"></pre>\n<main id=\"twinser-page\"></main>\n"
       // each series: zigzagged bit-pattern differences of singles, low then
       // high bytes, escaped words after them, deflated (zlib), in base64;
       // unpacked by the browser's DecompressionStream
       << "<script type=\"application/octet-stream\" id=\"twinser-obs\">" << packed.obs
       << "</script>\n"
       << "<script type=\"application/octet-stream\" id=\"twinser-sim\">" << packed.sim
       << "</script>\n"
       // one byte a line: 1 when the line takes part in the multi-year row
       << "<script type=\"application/octet-stream\" id=\"twinser-part\">" << packed.part
       << "</script>\n"
       << "<script type=\"application/json\" id=\"twinser-drawn\">" << packed.drawn
       << "</script>\n<script>\n";
  put(html, asset::uplot_js, asset::uplot_js_size);
  html << "</script>\n";
}

// The rest of the page: the summary, then the script that draws it all.
void write_page_end(std::ostream& html, std::string_view summary) {
  html << "<script type=\"application/json\" id=\"twinser-summary\">" << script_safe(summary)
       << "</script>\n<script>\n";
  put(html, asset::page_js, asset::page_js_size);
  html << "</script>\n</body>\n</html>\n";
}

// The page of the run under way, begun once the store is read.
struct early_page {
  std::future<std::string> start_written; // "" or why the first part could not be written
  std::ofstream file;
};
early_page early;

std::string reason_of(int e) { return std::strerror(e != 0 ? e : EIO); }
} // namespace

std::string script_safe(std::string_view json_text) {
  std::string s;
  s.reserve(json_text.size() + json_text.size() / 64);
  for (char c : json_text) {
    switch (c) {
    case '<': s += "\\u003c"; break;
    case '>': s += "\\u003e"; break;
    case '&': s += "\\u0026"; break;
    default: s += c;
    }
  }
  return s;
}

void write_page(std::ostream& html, const nlohmann::ordered_json& summary, const double* obs,
                const double* sim, int lines) {
  write_page_start(html, summary.value("control_file", std::string()), summary.value("label", std::string()),
                   pack_all(obs, sim, lines, series_kind_of(summary)));
  write_page_end(html, summary_text(summary));
}

void begin_page(const std::string& path, const std::string& control, const std::string& label,
                const double* obs, const double* sim, int lines, const series_kind& kind) {
  abandon_page();
  early.start_written = twinser::start_behind([=]() -> std::string {
    const packed_pair packed = pack_all(obs, sim, lines, kind);
    errno = 0;
    early.file.open(path, std::ios::out | std::ios::trunc | std::ios::binary);
    if (!early.file) return reason_of(errno);
    write_page_start(early.file, control, label, packed);
    if (!early.file.flush()) return reason_of(errno);
#ifdef __linux__
    // the disk starts on the first megabyte while the run goes on, so that
    // the sync at the end waits only for the rest
    const int fd = open(path.c_str(), O_RDONLY);
    if (fd >= 0) {
      sync_file_range(fd, 0, 0, SYNC_FILE_RANGE_WRITE);
      close(fd);
    }
#endif
    return "";
  });
}

std::string end_page(std::string_view summary) {
  if (!early.start_written.valid()) return reason_of(EINVAL);
  std::string failure;
  try {
    failure = early.start_written.get();
  } catch (const std::exception& e) { // the series could not be packed
    failure = e.what();
  }
  if (failure.empty()) {
    errno = 0;
    write_page_end(early.file, summary);
    if (!early.file.flush()) failure = reason_of(errno);
  }
  early.file.close();
  return failure;
}

void abandon_page() {
  if (early.start_written.valid()) early.start_written.wait();
  early.start_written = {};
  if (early.file.is_open()) early.file.close();
  early.file.clear();
}

bool write_page_file(const nlohmann::ordered_json& summary, const twinser::store_view& store,
                     const std::string& path) {
  std::ofstream file(path, std::ios::out | std::ios::trunc | std::ios::binary);
  if (!file) return false;
  write_page(file, summary, store.obs, store.sim, store.lines);
  return static_cast<bool>(file.flush());
}

bool write_page_file(const twinser::run_record& run, const twinser::store_view& store,
                     const std::string& path) {
  return write_page_file(summary_json(run, TWINSER_VERSION), store, path);
}

} // namespace twinser_view
