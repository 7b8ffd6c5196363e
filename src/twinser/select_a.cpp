// Selection A: the first lines of the store on the terminal.
#include "twinser.h"

#include <iostream>

namespace twinser {

// ------------------------------------------------------ line display (A)

void lines_display() {
  int n = read_int("the number of lines of selection A");
  if (n < 0 || n > LINES) stop("Invalid entry for lines display\nPlease correct the control file\n");
  input_check(n);
  add_selection(display_record{n});
}

// The first `line` lines of the store on the terminal, for the user to check.
void input_check(int line) {
  std::cout << "Following are few lines of data read by the program:\n";
  for (int k = 1; k <= line; ++k)
    std::cout << "line " << k << ":   " << "Qobs: " << Qobs[k - 1] << "     Qsim: " << Qsim[k - 1] << "\n";
  std::cout << "Are these data read correctly? \n\n";
}

} // namespace twinser
