#pragma once
// The frames of a tag read as ID3v2.4 that ID3v2.3 names differently or does not have, turned
// into what v2.3 readers understand, as careful taggers do when they write v2.3:
// - TDRC (recording time) becomes TYER (year), TDAT (DDMM) and TIME (HHMM), as far as the
//   timestamp gives them; TDOR (original release time) becomes TORY (year);
// - TIPL (involved people) and TMCL (musicians) become one IPLS frame;
// - frames that exist only in v2.4 (ASPI, EQU2, RVA2, SEEK, SIGN, TDEN, TDRL, TDTG, TMOO, TPRO,
//   TSOA, TSOP, TSOT, TSST) are dropped: v2.3 has no place for them.
// A v2.3 frame already in the tag (an existing TYER, say) is not duplicated. The new frames take
// the place of the frames they come from. Frames are expected already converted frame by frame
// (Id3V24Frame.h).

#include <memory>
#include <vector>

#include "tags/Id3Frame.h"

void ConvertV24FramesToV23(std::vector<std::unique_ptr<CID3Frame>>& frames);
