// The program's command line, the same for every build: --help and
// --version answer on standard output, anything else is refused.
#pragma once

namespace patrulha::platform {

// Answers the command line. Returns -1 when the game is to run (no
// arguments), or the status to exit with: 0 after the usage or the version
// was written, 1 when writing it failed (a full disk, a closed pipe), 2 for
// an argument the program does not take (the usage then goes to standard
// error, naming the first argument it refused).
int answer_command_line(int argc, char** argv);

}  // namespace patrulha::platform
