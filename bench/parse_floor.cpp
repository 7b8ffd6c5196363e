// The floor the tool's own reading is measured against: both series files read
// in 64 KiB chunks, the value after the 21 skipped columns of every data line
// parsed with from_chars, and stored in two arrays of doubles. Nothing else:
// no header rules, no period, no checks beyond what the parse needs.
// Usage: parse_floor OBS_FILE SIM_FILE (two header lines, then data lines)
#include <charconv>
#include <cstdio>
#include <cstring>
#include <memory>
#include <vector>

static constexpr std::size_t CHUNK = 64 * 1024;

// One file's values, in file order.
static std::vector<double> parse_file(const char* name) {
  std::vector<double> values;
  std::FILE* in = std::fopen(name, "rb");
  if (in == nullptr) {
    std::perror(name);
    return values;
  }
  std::setvbuf(in, nullptr, _IONBF, 0);
  std::fseek(in, 0, SEEK_END);
  values.reserve(static_cast<std::size_t>(std::ftell(in)) / 23 + 1); // room, not touched
  std::rewind(in);
  auto chunk = std::make_unique_for_overwrite<char[]>(CHUNK);
  std::size_t kept = 0;
  int headers = 2;
  for (;;) {
    const std::size_t got = std::fread(chunk.get() + kept, 1, CHUNK - kept, in);
    const char* p = chunk.get();
    const char* end = p + kept + got;
    for (;;) {
      const char* lf = static_cast<const char*>(std::memchr(p, '\n', static_cast<std::size_t>(end - p)));
      if (lf == nullptr && got > 0) break; // finish the line with the next chunk
      const char* e = lf ? lf : end;
      if (e == p) break;
      if (headers > 0) {
        --headers;
      } else if (e - p > 21) {
        const char* v = p + 21;
        while (v < e && *v == ' ') ++v;
        double x = 0;
        std::from_chars(v, e, x);
        values.push_back(x);
      }
      if (lf == nullptr) break;
      p = lf + 1;
    }
    if (got == 0) break;
    kept = static_cast<std::size_t>(end - p);
    std::memmove(chunk.get(), p, kept);
  }
  std::fclose(in);
  return values;
}

int main(int argc, char** argv) {
  if (argc != 3) {
    std::fputs("usage: parse_floor OBS_FILE SIM_FILE\n", stderr);
    return 2;
  }
  const std::vector<double> obs = parse_file(argv[1]);
  const std::vector<double> sim = parse_file(argv[2]);
  double sum = 0;
  for (std::size_t i = 0; i < obs.size() && i < sim.size(); ++i) sum += obs[i] - sim[i];
  std::printf("%zu %zu %.6g\n", obs.size(), sim.size(), sum);
  return 0;
}
