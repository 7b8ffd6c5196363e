// The HTML page of a run: one self-contained file with the chart library, the
// JSON summary and both series inside, readable offline in any browser.
#pragma once

#include "twinser.h"

#include <nlohmann/json.hpp>

#include <ostream>
#include <string>
#include <string_view>
#include <vector>

namespace twinser_view {

// Writes the page: header, hydrograph, scatter, yearly and monthly bars,
// accumulated depth and the selections, all drawn in the browser from the
// summary (twinser-summary/1) and the two series of `lines` values each
// (-999 = missing). Nothing on the page is fetched when it is viewed.
void write_page(std::ostream& html, const nlohmann::ordered_json& summary, const double* obs,
                const double* sim, int lines);

// The page of a finished run, from the same summary the JSON file holds and
// the series store, written to `path`; false when it cannot be written.
bool write_page_file(const twinser::run_record& run, const twinser::store_view& store,
                     const std::string& path);
bool write_page_file(const nlohmann::ordered_json& summary, const twinser::store_view& store,
                     const std::string& path);

// JSON text that cannot end or comment out the <script> element holding it:
// <, > and & (which JSON has only inside strings) written as \u003c, \u003e
// and \u0026, which read back as the same characters.
std::string script_safe(std::string_view json_text);
// Compact JSON so made safe: pure ASCII; bytes that are not UTF-8 in names
// become U+FFFD.
std::string script_json(const nlohmann::ordered_json& summary);

// Text escaped for HTML content and quoted attribute values (& < > " ').
std::string html_text(std::string_view text);

// Bytes in base64, '=' padded.
std::string base64(const unsigned char* bytes, std::size_t size);

// Bytes deflated (zlib format, as DecompressionStream("deflate") reads them)
// at libdeflate's `level` (0 to 12), in base64.
std::string deflated_base64(const unsigned char* bytes, std::size_t size, int level);

// A series as the page holds it. Each value is rounded to IEEE single (the
// missing value -999 and NaN become NaN, values beyond single range
// +-infinity, so the page draws both as gaps); w_i are the 32 bits of line
// i's single, d_i = w_i - w_(i-1) mod 2^32 (w_(-1) = 0), z_i its zigzag
// (d_i << 1) ^ (d_i >> 31, arithmetic), c_i = min(z_i, 0xFFFF). Bytes [0, n)
// hold the low byte of each c_i, [n, 2n) the high byte; then, for each line
// with c_i = 0xFFFF in line order, w_i itself, little-endian. Deflated, in
// base64. A reader needs n (the page takes it from the lines taking part,
// one byte a line): with c = lo | hi << 8, w_i = the next escaped word when
// c = 0xFFFF, else w_(i-1) + ((c >> 1) ^ -(c & 1)) mod 2^32.
std::string packed_series_base64(const double* values, int lines);

// One byte a line, 1 where the line takes part in the multi-year row (for
// temperatures, neither value missing; else neither value negative).
std::vector<unsigned char> lines_taking_part(const double* obs, const double* sim, int lines,
                                             bool temperature);

// What the drawings from the store depend on, as the summary states it.
struct series_kind {
  bool temperature = false; // negative values take part in the multi-year row
  bool flow = false;        // flows: summed into depths over the area
  double area = 0;          // km2
  int step = 24;            // hours a line
  bool operator==(const series_kind&) const = default;
};
series_kind series_kind_of(const nlohmann::ordered_json& summary);

// The page of the run under way, begun once the store is read: on a thread
// of its own while the analyses run, the series are packed and everything
// before the summary is written to `path` (the title from the control file's
// name and the header label). end_page appends the summary (summary_text)
// and the drawing script and flushes; it returns "" or why the page could
// not be written. abandon_page waits for a page begun and leaves it
// unfinished (the run stopped).
void begin_page(const std::string& path, const std::string& control_file, const std::string& label,
                const double* obs, const double* sim, int lines, const series_kind& kind);
std::string end_page(std::string_view summary);
void abandon_page();

// Points of the accumulated-depth chart: {"every_lines": k, "obs": [...],
// "sim": [...]}, the running sums after lines k, 2k, ... and the last line,
// over lines where neither value is negative, as depth in mm for flows.
inline constexpr int ACCUMULATED_POINTS = 4000;
nlohmann::ordered_json accumulated_depth(const double* obs, const double* sim, int lines,
                                         const nlohmann::ordered_json& summary);
nlohmann::ordered_json accumulated_depth(const double* obs, const double* sim, int lines,
                                         const series_kind& kind);

} // namespace twinser_view
