// The JSON summary of a finished run ("twinser-summary/1"): every section of
// the report as data, rendered from the run record and nothing else.
#pragma once

#include "twinser.h"

#include <nlohmann/json.hpp>

#include <string>

namespace twinser_view {

// The whole summary; `tool_version` goes into "tool".
nlohmann::ordered_json summary_json(const twinser::run_record& run, const std::string& tool_version);
// The same in two steps, for a run whose measures beyond the report are
// still under way (run_options::extras_taken_later): everything else, with
// the places those measures go to, and then the measures (or, when they
// were not computed, the places taken away).
nlohmann::ordered_json summary_before_beyond(const twinser::run_record& run, const std::string& tool_version);
void add_beyond(nlohmann::ordered_json& summary, const twinser::beyond_record& beyond);

// The summary as the file holds it: indented JSON, names that are not UTF-8
// with U+FFFD for their bad bytes, and a line end.
std::string summary_text(const nlohmann::ordered_json& summary);

// Writes the summary to `path`; false when the file cannot be written.
bool write_summary(const twinser::run_record& run, const twinser::store_view& store,
                   const std::string& path);
// Writes a summary's text (summary_text) to `path`; false when the file
// cannot be written, with errno telling why.
bool write_summary_text(const std::string& text, const std::string& path);

} // namespace twinser_view
