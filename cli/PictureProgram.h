#pragma once
// Runs tempowright-picture, the program that draws a track's picture as a PNG file.

#include <string>
#include <vector>

// Where the picture program is: beside the decoder components (the build tree's program folder,
// or lib/tempowright when installed).
std::string PictureProgramPath();

// Runs `program` with `arguments`, writes `input` to its standard input and waits for it.
// Returns its exit status, or -1 when it could not be started or did not exit normally.
int RunWithInput(const std::string& program, const std::vector<std::string>& arguments,
                 const std::string& input);
