// The series store: the per-line arrays of both series and their month and
// year labels, allocated once per run and never freed.
#include "twinser.h"

#include <cerrno>
#include <cstddef>
#include <cstdlib>
#include <iostream>

#ifdef __linux__
#include <sys/mman.h>
#include <sys/resource.h>
#include <unistd.h>
#endif

namespace twinser {

double* Qobs = nullptr;
double* Qsim = nullptr;
int LINES = 0;
int time_step = -1;
int month_begin = 0;
int year_begin = 0;
int month_end = 0;
int year_end = 0;
int* month = nullptr;
int* year = nullptr;
int itemp = 0;
int sunit_conv = 0;
int ounit_conv = 0;

// ------------------------------------------------------------ store arrays
//
// The four per-line arrays (Qobs, Qsim, month, year) are written once, front
// to back, right after they are allocated, and never freed. On the machines
// the tool runs on the first touch of a fresh 4 KiB page costs about 10
// microseconds, some 55 ms for a century of hourly lines; an array of a
// megabyte or more is therefore aligned to 2 MiB and advised to the kernel
// for transparent huge pages, so that it takes a few faults instead of
// thousands. Short records get a plain allocation: a huge page would cost
// them more to clear than their pages cost to fault.

constexpr std::size_t HUGE_PAGE = std::size_t{2} << 20; // bytes of one huge page on x86-64 Linux

void* store_array(std::size_t bytes) {
#ifdef __linux__
  if (bytes >= HUGE_PAGE / 2) {
    const std::size_t size = (bytes + HUGE_PAGE - 1) / HUGE_PAGE * HUGE_PAGE;
    void* p = std::aligned_alloc(HUGE_PAGE, size);
    if (p != nullptr) madvise(p, size, MADV_HUGEPAGE); // advice only: plain pages if refused
    return p;
  }
#endif
  return std::malloc(bytes > 0 ? bytes : 1);
}

// Six steps of niceness: a section's thread gets about four times the share
// of a thread behind it (1024 against 272 in the kernel's weights), so the
// sections keep about a core while the work behind them fills the other;
// on a century of hourly lines the view ended a few per cent sooner than
// with all threads alike (about the size of the machine's noise).
// On Linux the niceness of a thread is its own, and threads it starts
// inherit it.
constexpr int BEHIND_NICENESS = 6;

void lower_this_thread() {
#ifdef __linux__
  const pid_t thread = gettid();
  errno = 0;
  const int nice = getpriority(PRIO_PROCESS, static_cast<id_t>(thread));
  if (errno == 0) setpriority(PRIO_PROCESS, static_cast<id_t>(thread), nice + BEHIND_NICENESS); // advice only
#endif
}

// Labels every line with the month and year of the end of its step; an end
// at midnight is hour 24 of the day that ends, so a daily line keeps its day.
void month_year() {
  month = static_cast<int*>(store_array(static_cast<std::size_t>(LINES) * sizeof(int)));
  if (month == nullptr) stop("Memory allocation error for month\n");
  year = static_cast<int*>(store_array(static_cast<std::size_t>(LINES) * sizeof(int)));
  if (year == nullptr) stop("Memory allocation error for year\n");
  int iy = year_begin, im = month_begin, id = 1, ih = 0;
  int dom = days_of_month(im, iy); // days of the month being labelled
  for (int i = 0; i < LINES; ++i) {
    ih += time_step;
    if (ih > 24) {
      ++id;
      ih = time_step;
    }
    if (id > dom) {
      id = 1;
      if (++im > 12) {
        ++iy;
        im = 1;
      }
      dom = days_of_month(im, iy);
    }
    month[i] = im;
    year[i] = iy;
  }
}

// ------------------------------------------------------ companion renderings

store_view current_store() { return {Qobs, Qsim, LINES, time_step, month_begin, year_begin}; }

} // namespace twinser
