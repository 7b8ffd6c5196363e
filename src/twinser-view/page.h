// The HTML page of a run: one self-contained file with the chart library, the
// JSON summary and both series inside, readable offline in any browser.
#pragma once

#include "twinser.h"

#include <nlohmann/json.hpp>

#include <ostream>
#include <string>
#include <string_view>

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

// The summary as JSON text that cannot end or comment out the <script>
// element holding it: pure ASCII, with <, > and & written as \u003c, \u003e,
// \u0026; bytes that are not UTF-8 in names become U+FFFD.
std::string script_json(const nlohmann::ordered_json& summary);

// Text escaped for HTML content and quoted attribute values (& < > " ').
std::string html_text(std::string_view text);

// A series as little-endian IEEE single precision in base64, 4 bytes a line:
// the missing value -999 becomes NaN, values beyond single range +-infinity,
// so the page draws both as gaps.
std::string float32_base64(const double* values, int lines);

} // namespace twinser_view
