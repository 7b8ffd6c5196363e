// NetCDF in: one series of a model output or reanalysis file, stamped from
// its CF time coordinate ("hours since 1980-01-01 00:00", calendar standard).
//
// The variable is one-dimensional along time, or two-dimensional with a
// station dimension (the orthogonal layout of CF's discrete sampling
// geometries); a station is chosen by its position or by its id in the
// variable marked cf_role = "timeseries_id". Fill and missing values become
// -999; scale_factor and add_offset are applied to the packed values.
#include "xk.h"

#include <netcdf.h>
#include <netcdf_mem.h>

#include <algorithm>
#include <cctype>
#include <cmath>
#include <cstdlib>
#include <string>
#include <vector>

namespace xk {

namespace {

constexpr long long MAX_TIMES = 100000000; // more values than an hourly series of years 1 to 9999 has

struct nc_file {
  int id = -1;
  ~nc_file() {
    if (id >= 0) nc_close(id);
  }
};

std::string text_att(int nc, int var, const char* name) {
  nc_type type;
  std::size_t len;
  if (nc_inq_att(nc, var, name, &type, &len) != NC_NOERR || type != NC_CHAR || len > 4096) return "";
  std::string s(len, '\0');
  if (len > 0 && nc_get_att_text(nc, var, name, s.data()) != NC_NOERR) return "";
  while (!s.empty() && (s.back() == '\0' || std::isspace(static_cast<unsigned char>(s.back())))) s.pop_back();
  return s;
}

// Numbers of a numeric attribute, none when it is absent or not numeric.
std::vector<double> number_att(int nc, int var, const char* name) {
  nc_type type;
  std::size_t len;
  if (nc_inq_att(nc, var, name, &type, &len) != NC_NOERR || type == NC_CHAR || type == NC_STRING || len == 0 ||
      len > 1024)
    return {};
  std::vector<double> v(len);
  if (nc_get_att_double(nc, var, name, v.data()) != NC_NOERR) return {};
  return v;
}

std::string var_name(int nc, int var) {
  char name[NC_MAX_NAME + 1] = {};
  nc_inq_varname(nc, var, name);
  return name;
}

std::string dim_name(int nc, int dim) {
  char name[NC_MAX_NAME + 1] = {};
  nc_inq_dimname(nc, dim, name);
  return name;
}

std::string variables(int nc) {
  int n = 0;
  nc_inq_nvars(nc, &n);
  std::string names;
  for (int v = 0; v < n && v < 20; ++v) names += (v ? ", " : "") + var_name(nc, v);
  return names + (n > 20 ? ", ..." : "");
}

std::string lower(std::string s) {
  for (char& c : s) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  return s;
}

// Seconds of one unit of "<unit> since ...", 0 when it is no fixed length.
long long unit_seconds(const std::string& unit) {
  std::string u = lower(unit);
  for (const char* w : {"seconds", "second", "secs", "sec", "s"})
    if (u == w) return 1;
  for (const char* w : {"minutes", "minute", "mins", "min"})
    if (u == w) return 60;
  for (const char* w : {"hours", "hour", "hrs", "hr", "h"})
    if (u == w) return 3600;
  for (const char* w : {"days", "day", "d"})
    if (u == w) return 86400;
  return 0;
}

// Reads a run of at most `most` digits.
bool number_at(const std::string& s, std::size_t& at, std::size_t most, long long& v) {
  std::size_t from = at;
  v = 0;
  while (at < s.size() && at - from < most && std::isdigit(static_cast<unsigned char>(s[at]))) v = v * 10 + (s[at++] - '0');
  return at > from;
}

// The reference date-time of the units: "1980-01-01", "1980-1-1 00:00:00",
// "1980-01-01T00:00Z", "2000-01-01 00:00:00 UTC". Seconds since 1970, false
// when it cannot be read; a UTC offset other than zero is no reference here.
bool parse_reference(const std::string& s, long long& seconds, int& year, bool& offset) {
  std::size_t at = 0;
  long long y, m, d, hh = 0, mi = 0, ss = 0;
  offset = false;
  while (at < s.size() && s[at] == ' ') ++at;
  if (!number_at(s, at, 4, y) || at >= s.size() || s[at++] != '-' || !number_at(s, at, 2, m) || at >= s.size() ||
      s[at++] != '-' || !number_at(s, at, 2, d))
    return false;
  if (y < 1 || y > 9999 || m < 1 || m > 12 || d < 1 || d > 31) return false;
  if (at < s.size() && (s[at] == 'T' || s[at] == ' ')) {
    std::size_t t = at + 1;
    while (t < s.size() && s[t] == ' ') ++t;
    if (t < s.size() && std::isdigit(static_cast<unsigned char>(s[t]))) {
      at = t;
      if (!number_at(s, at, 2, hh) || at >= s.size() || s[at++] != ':' || !number_at(s, at, 2, mi)) return false;
      if (at < s.size() && s[at] == ':') {
        ++at;
        if (!number_at(s, at, 2, ss)) return false;
        if (at < s.size() && s[at] == '.') {
          ++at;
          while (at < s.size() && s[at] == '0') ++at; // fractions that are zero
        }
      }
      if (hh > 23 || mi > 59 || ss > 59) return false;
    }
  }
  std::string zone = s.substr(at);
  zone.erase(0, zone.find_first_not_of(' '));
  while (!zone.empty() && zone.back() == ' ') zone.pop_back();
  std::string z = lower(zone);
  if (!(z.empty() || z == "z" || z == "utc" || z == "gmt" || z == "+00:00" || z == "+0000" || z == "+00" ||
        z == "00:00" || z == "0:00" || z == "0" || z == "+0" || z == "-00:00")) {
    offset = true;
    return false;
  }
  year = static_cast<int>(y);
  int dy, dm, dd;
  long long days = days_from_civil(static_cast<int>(y), static_cast<int>(m), static_cast<int>(d));
  civil_from_days(days, dy, dm, dd);
  if (dm != m || dd != d) return false; // 30 February
  seconds = days * 86400 + hh * 3600 + mi * 60 + ss;
  return true;
}

// The default fill value of a variable's type, which marks values never
// written when the variable has no _FillValue of its own.
double default_fill(nc_type type) {
  switch (type) {
  case NC_BYTE: return NC_FILL_BYTE;
  case NC_UBYTE: return NC_FILL_UBYTE;
  case NC_SHORT: return NC_FILL_SHORT;
  case NC_USHORT: return NC_FILL_USHORT;
  case NC_INT: return NC_FILL_INT;
  case NC_UINT: return NC_FILL_UINT;
  case NC_INT64: return static_cast<double>(NC_FILL_INT64);
  case NC_UINT64: return static_cast<double>(NC_FILL_UINT64);
  case NC_FLOAT: return NC_FILL_FLOAT;
  default: return NC_FILL_DOUBLE;
  }
}

// The station ids of the variable marked cf_role = "timeseries_id" along
// `station_dim`, as text; false when there is none.
bool station_ids(int nc, int station_dim, std::size_t stations, std::vector<std::string>& ids, std::string& from) {
  int n = 0;
  nc_inq_nvars(nc, &n);
  for (int v = 0; v < n; ++v) {
    if (text_att(nc, v, "cf_role") != "timeseries_id") continue;
    nc_type type;
    int ndims = 0, dims[NC_MAX_VAR_DIMS];
    if (nc_inq_vartype(nc, v, &type) != NC_NOERR || nc_inq_varndims(nc, v, &ndims) != NC_NOERR || ndims < 1 ||
        ndims > 2 || nc_inq_vardimid(nc, v, dims) != NC_NOERR || dims[0] != station_dim)
      continue;
    from = var_name(nc, v);
    ids.assign(stations, "");
    if (type == NC_CHAR && ndims == 2) {
      std::size_t len = 0;
      nc_inq_dimlen(nc, dims[1], &len);
      if (len > 4096 || stations * len > 64 * 1024 * 1024) return false;
      std::string all(stations * len, '\0');
      if (!all.empty() && nc_get_var_text(nc, v, all.data()) != NC_NOERR) return false;
      for (std::size_t i = 0; i < stations; ++i) {
        std::string id = all.substr(i * len, len);
        id = id.substr(0, id.find('\0'));
        while (!id.empty() && id.back() == ' ') id.pop_back();
        ids[i] = id;
      }
      return true;
    }
    if (type == NC_STRING && ndims == 1) {
      std::vector<char*> all(stations, nullptr);
      if (nc_get_var_string(nc, v, all.data()) != NC_NOERR) return false;
      for (std::size_t i = 0; i < stations; ++i) ids[i] = all[i] ? all[i] : "";
      nc_free_string(stations, all.data());
      return true;
    }
    if (type != NC_CHAR && type != NC_STRING && ndims == 1) {
      std::vector<long long> all(stations);
      if (nc_get_var_longlong(nc, v, all.data()) != NC_NOERR) return false;
      for (std::size_t i = 0; i < stations; ++i) ids[i] = std::to_string(all[i]);
      return true;
    }
  }
  return false;
}

} // namespace

bool is_netcdf(std::string_view bytes) {
  return bytes.substr(0, 3) == "CDF" || bytes.substr(0, 8) == "\x89HDF\r\n\x1a\n";
}

table read_netcdf(std::string_view bytes, const options& opt) {
  table t;
  t.row_word = "time";
  std::vector<char> memory(bytes.begin(), bytes.end());
  nc_file f;
  if (memory.empty() || nc_open_mem("input.nc", NC_NOWRITE, memory.size(), memory.data(), &f.id) != NC_NOERR) {
    f.id = -1;
    throw input_error(0, "is not a NetCDF file that can be read (classic or netCDF-4)");
  }
  const int nc = f.id;
  if (opt.var.empty()) throw input_error(0, "is a NetCDF file: give the variable with --var NAME (" + variables(nc) + ")");
  int var;
  if (nc_inq_varid(nc, opt.var.c_str(), &var) != NC_NOERR)
    throw input_error(0, "has no variable named \"" + opt.var + "\"; give --var one of " + variables(nc));
  nc_type type;
  int ndims = 0, dims[NC_MAX_VAR_DIMS];
  if (nc_inq_vartype(nc, var, &type) != NC_NOERR || nc_inq_varndims(nc, var, &ndims) != NC_NOERR ||
      nc_inq_vardimid(nc, var, dims) != NC_NOERR)
    throw input_error(0, "the variable \"" + opt.var + "\" cannot be read");
  if (type == NC_CHAR || type == NC_STRING || type > NC_STRING)
    throw input_error(0, "the variable \"" + opt.var + "\" holds text, not numbers; give --var a numeric variable");
  if (ndims < 1 || ndims > 2)
    throw input_error(0, "the variable \"" + opt.var + "\" has " + std::to_string(ndims) +
                             " dimensions; twinser-xk reads (time) or (station, time)");

  // the time dimension: the one whose coordinate variable has units "... since ..."
  int time_pos = -1, time_var = -1;
  std::string units;
  for (int i = 0; i < ndims && time_pos < 0; ++i) {
    int cv;
    if (nc_inq_varid(nc, dim_name(nc, dims[i]).c_str(), &cv) != NC_NOERR) continue;
    int cn = 0, cd[NC_MAX_VAR_DIMS];
    if (nc_inq_varndims(nc, cv, &cn) != NC_NOERR || cn != 1 || nc_inq_vardimid(nc, cv, cd) != NC_NOERR ||
        cd[0] != dims[i])
      continue;
    std::string u = text_att(nc, cv, "units");
    if (lower(u).find(" since ") != std::string::npos) {
      time_pos = i;
      time_var = cv;
      units = u;
    }
  }
  if (time_pos < 0)
    throw input_error(0, "the variable \"" + opt.var + "\" has no time coordinate: none of its dimensions has a "
                                                      "variable of the same name with units \"<unit> since <date>\"");
  const std::string time_name = var_name(nc, time_var);
  std::size_t times = 0, stations = 1;
  nc_inq_dimlen(nc, dims[time_pos], &times);
  int station_dim = ndims == 2 ? dims[1 - time_pos] : -1;
  if (ndims == 2) nc_inq_dimlen(nc, station_dim, &stations);
  int format = 0;
  nc_inq_format(nc, &format);
  // a file of the classic formats holds every value it declares
  bool classic = format != NC_FORMAT_NETCDF4 && format != NC_FORMAT_NETCDF4_CLASSIC;
  if (times == 0) throw input_error(0, "the variable \"" + opt.var + "\" has no values along " + time_name);
  if (static_cast<long long>(times) > MAX_TIMES || (classic && times > bytes.size()))
    throw input_error(0, "the time axis " + time_name + " declares " + std::to_string(times) +
                             " values, more than a series file of years 1 to 9999 holds or the file contains");

  // which station
  std::size_t station = 0;
  if (ndims == 1) {
    if (opt.station_index > 1 || !opt.station_id.empty())
      throw input_error(0, "the variable \"" + opt.var + "\" has one dimension, " + time_name +
                               ": it holds one station; leave out --station-index and --station-id");
  } else {
    std::string along = dim_name(nc, station_dim);
    if (opt.station_index > 0) {
      if (static_cast<unsigned long long>(opt.station_index) > stations)
        throw input_error(0, "--station-index " + std::to_string(opt.station_index) + ": the variable \"" + opt.var +
                                 "\" has " + std::to_string(stations) + " stations along " + along);
      station = static_cast<std::size_t>(opt.station_index - 1);
    } else {
      std::vector<std::string> ids;
      std::string from;
      bool have_ids = stations <= 10000000 && station_ids(nc, station_dim, stations, ids, from);
      if (!opt.station_id.empty()) {
        if (!have_ids)
          throw input_error(0, "no variable along " + along + " is marked cf_role = \"timeseries_id\" to match "
                                                              "--station-id against; give --station-index N");
        auto it = std::find(ids.begin(), ids.end(), opt.station_id);
        if (it == ids.end()) {
          std::string some;
          for (std::size_t i = 0; i < ids.size() && i < 10; ++i) some += (i ? ", " : "") + ids[i];
          throw input_error(0, "no station \"" + opt.station_id + "\" in " + from + " (" + some +
                                   (ids.size() > 10 ? ", ..." : "") + ")");
        }
        station = static_cast<std::size_t>(it - ids.begin());
      } else if (stations != 1) {
        std::string some;
        for (std::size_t i = 0; have_ids && i < ids.size() && i < 10; ++i) some += (i ? ", " : "") + ids[i];
        throw input_error(0, "the variable \"" + opt.var + "\" holds " + std::to_string(stations) +
                                 " stations along " + along + ": give --station-index N (1 to " +
                                 std::to_string(stations) + ")" +
                                 (have_ids ? " or --station-id ID (" + some + (ids.size() > 10 ? ", ...)" : ")")
                                           : std::string()));
      }
    }
  }

  // the time coordinate
  std::size_t since = lower(units).find(" since ");
  long long unit = unit_seconds(units.substr(0, since));
  if (unit == 0)
    throw input_error(0, "the units of " + time_name + " (\"" + units + "\") count \"" + units.substr(0, since) +
                             "\"; twinser-xk reads seconds, minutes, hours or days since a date");
  long long ref = 0;
  int ref_year = 0;
  bool offset = false;
  if (!parse_reference(units.substr(since + 7), ref, ref_year, offset))
    throw input_error(0, "the units of " + time_name + " (\"" + units + "\") give " +
                             (offset ? "a time zone offset, which is not applied; convert the file to UTC stamps"
                                     : "no date YYYY-MM-DD [HH:MM:SS] after \"since\""));
  std::string calendar = lower(text_att(nc, time_var, "calendar"));
  bool mixed = calendar.empty() || calendar == "standard" || calendar == "gregorian";
  if (!mixed && calendar != "proleptic_gregorian")
    throw input_error(0, "the calendar of " + time_name + " is \"" + calendar +
                             "\"; twinser-xk reads the civil calendar only (standard, gregorian, "
                             "proleptic_gregorian): a model year of other length cannot be placed on it");
  // the standard calendar is Julian before 15 October 1582
  const long long gregorian_start = days_from_civil(1582, 10, 15) * 86400;
  std::vector<double> when(times);
  if (nc_get_var_double(nc, time_var, when.data()) != NC_NOERR)
    throw input_error(0, "the values of " + time_name + " cannot be read");
  std::vector<double> time_fill = number_att(nc, time_var, "_FillValue");
  t.rows.reserve(times);
  for (std::size_t i = 0; i < times; ++i) {
    long long at = static_cast<long long>(i) + 1;
    double x = when[i] * static_cast<double>(unit);
    if (!std::isfinite(x) || std::fabs(x) > 1e15 ||
        std::find(time_fill.begin(), time_fill.end(), when[i]) != time_fill.end())
      throw input_error(at, time_name + " holds no date here");
    long long sec = std::llround(x);
    if (std::fabs(x - static_cast<double>(sec)) > 1e-3)
      throw input_error(at, "the stamp is not a whole second after the reference of " + time_name);
    sec += ref;
    if (sec % 3600 != 0)
      throw input_error(at, "the stamp is not on the hour; a series file holds steps of whole hours");
    long long hour = (sec - ((sec % 3600) + 3600) % 3600) / 3600;
    int y, m, d;
    civil_from_days(hour >= 0 ? hour / 24 : -((-hour + 23) / 24), y, m, d);
    if (y < 1 || y > 9999) throw input_error(at, "the stamp falls outside the years 1 to 9999");
    if (mixed && sec < gregorian_start)
      throw input_error(at, "the stamp falls before 15 October 1582, where the \"standard\" calendar of " +
                                time_name + " is Julian; only the civil (Gregorian) calendar is read");
    t.rows.push_back(row{at, hour, false, cell::value, 0});
  }

  // the values of the chosen station
  std::vector<double> raw(times);
  std::size_t start[2] = {0, 0}, count[2] = {1, 1};
  start[time_pos] = 0;
  count[time_pos] = times;
  if (ndims == 2) start[1 - time_pos] = station;
  if (nc_get_vara_double(nc, var, start, count, raw.data()) != NC_NOERR)
    throw input_error(0, "the values of \"" + opt.var + "\" cannot be read");
  std::vector<double> fill = number_att(nc, var, "_FillValue");
  if (fill.empty()) fill.push_back(default_fill(type));
  std::vector<double> missing = number_att(nc, var, "missing_value");
  fill.insert(fill.end(), missing.begin(), missing.end());
  std::vector<double> scale = number_att(nc, var, "scale_factor"), add = number_att(nc, var, "add_offset");
  for (std::size_t i = 0; i < times; ++i) {
    row& r = t.rows[i];
    double v = raw[i];
    if (std::isnan(v)) {
      r.kind = cell::not_a_number;
      continue;
    }
    if (std::find(fill.begin(), fill.end(), v) != fill.end()) {
      r.kind = cell::fill;
      continue;
    }
    if (!scale.empty()) v = v * scale[0];
    if (!add.empty()) v = v + add[0];
    r.value = v;
    if (!std::isfinite(v)) r.kind = cell::non_numeric;
    else if (v == -999) r.kind = cell::marker;
    else if (opt.has_missing_below && v < opt.missing_below) r.kind = cell::below;
  }
  t.lines = static_cast<long long>(times);
  return t;
}

} // namespace xk
