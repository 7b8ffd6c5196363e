// Entry point: everything happens in the run-control subsystem.
#include "twinser.h"

int main(int argc, char** argv) { return twinser::run(twinser::command_line(argc, argv)).status; }
