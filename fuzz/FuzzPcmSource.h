#pragma once
// What the fuzz targets of the PCM sources share: every operation of an open IPcmReader, as the
// build driver and the converter use them.

#include <cstdint>

#include "audio/PcmReader.h"

// Asks for the format both ways and the lengths, reads the whole stream in the driver's requests
// and converts it to the analysis format, then reads a few requests out of order.
void ExerciseOpenSource(IPcmReader& source);
