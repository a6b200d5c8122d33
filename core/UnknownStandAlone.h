#pragma once
// The base of the system's own COM-style objects: the platform's reference-counted object base
// (see platform/UnknownBase.h), under the name the core's classes use.

#include "platform/UnknownBase.h"

using CUnknownStandAlone = CUnknownBase;
