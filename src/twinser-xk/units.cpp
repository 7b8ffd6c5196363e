// Units: the value as the file gives it turned into the unit of the series
// file, with the exact factors of the definitions (1 ft = 0.3048 m, 1 in =
// 25.4 mm, 0 degC = 273.15 K, a degree Fahrenheit is 5/9 of a kelvin).
#include "xk.h"

#include <cctype>

namespace xk {

namespace {

enum class kind { flow, depth, temperature, none };

struct source_unit {
  const char* name;  // as given to --from-unit, in any case
  kind what;
  double factor;     // into m3/s or mm; temperatures are worked apart
};

// ft3/s: 0.3048^3 m3 is 0.028316846592 m3 exactly.
const source_unit units[] = {
    {"cfs", kind::flow, 0.028316846592}, {"ft3/s", kind::flow, 0.028316846592},
    {"l/s", kind::flow, 0.001},          {"m3/s", kind::flow, 1},
    {"cms", kind::flow, 1},              {"mm", kind::depth, 1},
    {"in", kind::depth, 25.4},           {"degc", kind::temperature, 1},
    {"degf", kind::temperature, 1},      {"k", kind::temperature, 1},
};

std::string lower(const std::string& s) {
  std::string t;
  for (char c : s) t += static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  return t;
}

const source_unit* find_unit(const std::string& name) {
  std::string want = lower(name);
  for (const auto& u : units)
    if (want == u.name) return &u;
  return nullptr;
}

kind series_kind(const std::string& unit) {
  if (unit == "CMS") return kind::flow;
  if (unit == "MM") return kind::depth;
  return kind::temperature;
}

} // namespace

void check_units(const options& opt) {
  if (opt.from_unit.empty()) return;
  const source_unit* u = find_unit(opt.from_unit);
  if (!u)
    throw input_error(0, "--from-unit " + opt.from_unit + ": give cfs (ft3/s), l/s or m3/s for flows, mm or in "
                                                          "for depths, degC, degF or K for temperatures, or "
                                                          "--scale K for any other factor");
  // a depth per step may become a flow over the basin
  kind want = opt.has_area ? kind::depth : series_kind(opt.unit);
  if (u->what != want) {
    const char* words[] = {"a flow", "a depth", "a temperature"};
    throw input_error(0, "--from-unit " + opt.from_unit + " is " + words[static_cast<int>(u->what)] + ", but " +
                             (opt.has_area ? std::string("--mm-to-cms converts a depth")
                                           : "--unit " + opt.unit + " is " + words[static_cast<int>(want)]) +
                             "; give the unit of the series with --unit");
  }
}

double convert_value(double v, const options& opt, int step) {
  if (opt.has_scale) v = v * opt.scale;
  if (!opt.from_unit.empty()) {
    const source_unit* u = find_unit(opt.from_unit);
    if (u && u->what != kind::temperature) {
      if (u->factor != 1) v = v * u->factor;
    } else if (u) {
      std::string from = lower(opt.from_unit);
      // into degrees Celsius first, then into the series unit
      double c = from == "degc" ? v : from == "degf" ? (v - 32) * 5 / 9 : v - 273.15;
      if (opt.unit == "DEGF")
        v = from == "degf" ? v : c * 9 / 5 + 32;
      else
        v = c;
    }
  }
  if (opt.has_area) v = v * opt.area_km2 * 1000 / (step * 3600);
  return v;
}

} // namespace xk
