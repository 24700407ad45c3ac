#pragma once

// The program from start to end: initialise the toolkit, read the command line,
// find the folder to work in (asking for it if told to), start recording,
// create the window, run the event loop; show what escapes. Returns the process's
// exit code. The entry point calls it; so can a test, with arguments of its own.
int RunProgram(int& argc, char** argv);
