// The summary and the page as files: temporary names, the checked rename,
// removal on a signal, and the marks that tell our own files from others.
#include "output_files.h"

#include <array>
#include <cerrno>
#include <csignal>
#include <cstring>
#include <fcntl.h>
#include <filesystem>
#include <fstream>
#include <sys/stat.h>
#include <unistd.h>

namespace twinser_view {

// ------------------------------------------------------ our own files

bool written_by_view(const std::string& path) {
  // the schema is the summary's first member; the page's main element comes
  // after its styles, well within the first 64 KiB
  std::ifstream in(path, std::ios::binary);
  if (!in) return false;
  std::string head(64 * 1024, '\0');
  in.read(head.data(), static_cast<std::streamsize>(head.size()));
  head.resize(static_cast<std::size_t>(in.gcount()));
  if (head.rfind("{\n \"schema\": \"twinser-summary/", 0) == 0) return true;
  return head.rfind("<!DOCTYPE html>", 0) == 0 &&
         head.find("<main id=\"twinser-page\"></main>") != std::string::npos;
}

// ------------------------------------------------------ temporary files

namespace {

// Temporary files in hand, as the signal handler sees them: a name is
// complete before its flag is set, and the flag cleared before it goes.
constexpr int SLOTS = 4;
constexpr std::size_t NAME_BYTES = 4096;
volatile std::sig_atomic_t in_use[SLOTS] = {};
char names[SLOTS][NAME_BYTES];

extern "C" void remove_temporaries(int sig) {
  for (int i = 0; i < SLOTS; ++i)
    if (in_use[i]) unlink(names[i]);
  std::signal(sig, SIG_DFL);
  std::raise(sig);
}

void catch_signals() {
  static bool done = false;
  if (done) return;
  done = true;
  for (int sig : {SIGINT, SIGTERM, SIGHUP}) {
    struct sigaction act {};
    act.sa_handler = remove_temporaries;
    sigemptyset(&act.sa_mask);
    struct sigaction old {};
    // a signal the caller chose to ignore (nohup) stays ignored
    if (sigaction(sig, nullptr, &old) == 0 && old.sa_handler == SIG_IGN) continue;
    sigaction(sig, &act, nullptr);
  }
}

std::string reason(int e) { return std::strerror(e != 0 ? e : EIO); }

} // namespace

pending_file::pending_file(std::string final_path) : final_(std::move(final_path)) {
  catch_signals();
  std::filesystem::path folder = std::filesystem::path(final_).parent_path();
  // a short name of its own, so that it fits wherever the final name fits
  temp_ = (folder.empty() ? std::string() : folder.string() + "/") + ".twinser-view.XXXXXX";
  for (int i = 0; i < SLOTS; ++i) {
    if (in_use[i] || temp_.size() >= NAME_BYTES) continue;
    slot_ = i;
    break;
  }
  if (slot_ < 0) {
    failure_ = reason(ENAMETOOLONG);
    temp_.clear();
    return;
  }
  std::memcpy(names[slot_], temp_.c_str(), temp_.size() + 1);
  sigset_t all, before;
  sigfillset(&all);
  sigprocmask(SIG_BLOCK, &all, &before); // the name is made and flagged as one step
  const int fd = mkstemp(names[slot_]);
  const int made = errno;
  if (fd >= 0) in_use[slot_] = 1;
  sigprocmask(SIG_SETMASK, &before, nullptr);
  if (fd < 0) {
    failure_ = reason(made);
    temp_.clear();
    slot_ = -1;
    return;
  }
  temp_ = names[slot_];
  // the mode a file created by the writers would have had
  const mode_t mask = umask(0);
  umask(mask);
  fchmod(fd, 0666 & ~mask);
  close(fd);
}

pending_file::~pending_file() {
  if (slot_ < 0) return;
  unlink(temp_.c_str());
  in_use[slot_] = 0;
}

std::string pending_file::check() {
  if (slot_ < 0) return failure_;
  // the bytes the writer flushed reach the disk; a late failure shows here
  const int fd = open(temp_.c_str(), O_RDONLY);
  if (fd < 0) return reason(errno);
  const bool synced = fsync(fd) == 0;
  const int e = errno;
  close(fd);
  return synced ? "" : reason(e);
}

std::string pending_file::commit() {
  if (slot_ < 0) return failure_;
  if (std::rename(temp_.c_str(), final_.c_str()) != 0) return reason(errno);
  in_use[slot_] = 0;
  slot_ = -1;
  return "";
}

} // namespace twinser_view
