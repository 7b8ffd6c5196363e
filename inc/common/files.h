// Files as the three commands compare them.
#pragma once

#include <string>

namespace common {

// a and b name the same file: the same path once "." and ".." are resolved
// (whether or not it exists yet), or one file reached by two names (links,
// other folders)
bool same_file(const std::string& a, const std::string& b);

} // namespace common
