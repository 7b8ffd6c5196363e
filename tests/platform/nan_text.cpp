// The platform the expected reports were made on. A measure over an empty
// class or a year without data divides zero by zero; on x86-64 the processor
// gives a NaN with its sign bit set, and glibc's printf (which the streams
// use) writes it as "-nan". The expected reports hold that text, so they are
// byte-identical only there. This check says so plainly, instead of leaving
// a reader with a few dozen end-to-end cases that fail on "nan".
#include <cstdio>
#include <iomanip>
#include <iostream>
#include <sstream>
#include <string>
#include <sys/utsname.h>
#if defined(__GLIBC__) || defined(__linux__)
#include <features.h>
#endif

int main() {
  // volatile: divided at run time as the report divides, not folded by the
  // compiler, whose constant NaN may carry another sign
  volatile double zero = 0.0;
  const double nan_value = zero / zero;
  std::ostringstream text;
  text << std::showpoint << std::fixed << std::setprecision(2) << std::setw(9) << nan_value;

  std::string machine = "unknown";
  utsname u{};
  if (uname(&u) == 0) machine = u.machine;
#ifdef __GLIBC__
  const std::string libc = "glibc " + std::to_string(__GLIBC__) + "." + std::to_string(__GLIBC_MINOR__);
#else
  const std::string libc = "not glibc";
#endif

  std::string printed = text.str();
  printed.erase(0, printed.find_first_not_of(' '));
  bool ok = printed == "-nan";
#if !defined(__x86_64__) || !defined(__GLIBC__) || !defined(__linux__)
  ok = false;
#endif
  if (ok) {
    std::cout << "0/0 prints as \"-nan\" on " << machine << ", " << libc << "\n";
    return 0;
  }
  std::cout << "The expected reports of the end-to-end tests are byte-identical only on\n"
               "x86-64 Linux with glibc, where zero divided by zero prints as \"-nan\"\n"
               "(29 expected files hold it). This machine is " << machine << " with " << libc
            << ",\nand 0/0 prints as \"" << printed << "\" here. The numbers are the same; the\n"
               "cases whose reports hold -nan will differ in that text alone.\n";
  return 1;
}
