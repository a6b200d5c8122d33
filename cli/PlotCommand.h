#pragma once
// "tempowright-cli plot FILE -o OUT.svg|OUT.png": the track's picture as a file.

#include "cli/CliOptions.h"

// Takes the track's profile from the analysis store (unless options.noStore) or builds it and
// records it there, then writes the picture: SVG directly, PNG through the tempowright-picture
// program. Returns 0 when the picture was written; 1, with a message on stderr and no file
// written, when the extension is neither .svg nor .png, the file cannot be analysed, the picture
// program is missing or fails, or the file cannot be written.
int RunPlot(const CliOptions& options);
