#pragma once
// The console of the program that started the game, for its standard output and error.

namespace dovrix {

// A Windows program of the graphical subsystem starts without a console, so --help,
// --version and the lines for the administrator would go nowhere when it is started from
// cmd.exe. This attaches to the console of the starting program, when it has one, for each
// stream that is not already redirected to a file or a pipe. Elsewhere it does nothing.
void useParentConsole();

} // namespace dovrix
