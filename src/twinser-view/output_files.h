// The summary and the page as files: written under a temporary name in the
// folder they go to and renamed into place only when complete and checked;
// and told apart from files the tool did not write.
#pragma once

#include <string>

namespace twinser_view {

// True when `path` holds a summary or a page that twinser-view wrote: the
// summary's schema string, or the page's own main element, near its start.
bool written_by_view(const std::string& path);

// A file being written: a temporary name beside `final_path`, unlinked when
// the object goes without commit(), and on SIGINT, SIGTERM and SIGHUP.
class pending_file {
public:
  explicit pending_file(std::string final_path);
  ~pending_file();
  pending_file(const pending_file&) = delete;
  pending_file& operator=(const pending_file&) = delete;
  const std::string& temp_path() const { return temp_; }
  const std::string& final_path() const { return final_; }
  // "" when the temporary file is in place, else why it is not (the system's reason)
  const std::string& failure() const { return failure_; }
  // the written bytes synced to the disk; "" or the system's reason
  std::string check();
  // renamed over the final name; "" or the system's reason
  std::string commit();

private:
  std::string final_, temp_, failure_;
  int slot_ = -1; // entry in the table the signal handler clears
};

} // namespace twinser_view
