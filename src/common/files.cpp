// Files as the three commands compare them.
#include "common/files.h"

#include <filesystem>
#include <system_error>

namespace common {

bool same_file(const std::string& a, const std::string& b) {
  if (std::filesystem::path(a).lexically_normal() == std::filesystem::path(b).lexically_normal())
    return true;
  std::error_code ec;
  return std::filesystem::equivalent(a, b, ec) && !ec;
}

} // namespace common
