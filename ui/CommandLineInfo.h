#pragma once
// The desktop program's --version and --help, answered before any window system starts, so
// they work in a terminal without a display.

#include <string>

// The text asked for by --version or --help among the arguments (the first one wins), or empty
// when the program is to start normally.
std::string CommandLineInfo(int argc, const char* const* argv);
