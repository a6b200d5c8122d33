#pragma once
// For fuzz targets whose code under test reads files: each input is written to a file in a
// private temporary folder, made on first use and removed with everything in it at exit.

#include <cstddef>
#include <cstdint>
#include <string>

// Writes the input to `name` in the work folder; returns the file's path.
std::string WriteFuzzInput(const char* name, const std::uint8_t* data, std::size_t size);
