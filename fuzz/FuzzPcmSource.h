#pragma once
// What the fuzz targets of the PCM sources share: every operation of an open IPcmReader, as the
// build driver and the converter use them.

#include <cstdint>

#include "audio/PcmReader.h"

// Asks for the format both ways and the lengths, reads a few requests out of order and, when
// `readAll` is set (a source opened for analysis), reads the whole stream in the driver's
// requests and converts it to the analysis format. A source opened for tag access is not read
// through: its length is the headers' estimate, which damaged headers may put at hours.
void ExerciseOpenSource(IPcmReader& source, bool readAll = true);
