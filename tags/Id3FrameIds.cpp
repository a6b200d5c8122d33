#include "tags/Id3FrameIds.h"

#include <cstring>

#include "audio/ComponentIds.h"

const std::array<ID3_FIELD_FRAME, 4> kFrameIdMap = {{
    {"TIT2", kFieldTitle},
    {"TPE1", kFieldArtist},
    {"TBPM", kFieldBpm},
    {"TKEY", kFieldKey},
}};

namespace {
struct V22_ID_PAIR {
    char v22[4];
    char v23[5];
};

// Searched from the first pair; the first match wins.
constexpr V22_ID_PAIR kV22Ids[] = {
    {"BUF", "RBUF"}, {"CNT", "PCNT"}, {"COM", "COMM"}, {"CRA", "AENC"}, {"CRM", "ENCR"},
    {"ETC", "ETCO"}, {"EQU", "EQUA"}, {"GEO", "GEOB"}, {"IPL", "IPLS"}, {"LNK", "LINK"},
    {"MCI", "MCDI"}, {"MLL", "MLLT"}, {"PIC", "APIC"}, {"POP", "POPM"}, {"REV", "RVRB"},
    {"RVA", "RVAD"}, {"SLT", "SYLT"}, {"STC", "SYTC"}, {"TAL", "TALB"}, {"TBP", "TBPM"},
    {"TCM", "TCOM"}, {"TCO", "TCON"}, {"TCP", "TCMP"}, {"TCR", "TCOP"}, {"TDA", "TDAT"},
    {"TDY", "TDLY"}, {"TEN", "TENC"}, {"TFT", "TFLT"}, {"TIM", "TIME"}, {"TKE", "TKEY"},
    {"TLA", "TLAN"}, {"TLE", "TLEN"}, {"TMT", "TMED"}, {"TOA", "TOPE"}, {"TOF", "TOFN"},
    {"TOL", "TOLY"}, {"TOR", "TORY"}, {"TOT", "TOAL"}, {"TP1", "TPE1"}, {"TP2", "TPE2"},
    {"TP3", "TPE3"}, {"TP4", "TPE4"}, {"TPA", "TPOS"}, {"TPB", "TPUB"}, {"TRC", "TSRC"},
    {"TRD", "TRDA"}, {"TRK", "TRCK"}, {"TS2", "TSO2"}, {"TSA", "TSOA"}, {"TSC", "TSOC"},
    {"TSI", "TSIZ"}, {"TSP", "TSOP"}, {"TSS", "TSSE"}, {"TST", "TSOT"}, {"TT1", "TIT1"},
    {"TT2", "TIT2"}, {"TT3", "TIT3"}, {"TXT", "TEXT"}, {"TXX", "TXXX"}, {"TYE", "TYER"},
    {"UFI", "UFID"}, {"ULT", "USLT"}, {"WAF", "WOAF"}, {"WAR", "WOAR"}, {"WAS", "WOAS"},
    {"WCM", "WCOM"}, {"WCP", "WCOP"}, {"WPB", "WPUB"}, {"WXX", "WXXX"},
};
static_assert(std::size(kV22Ids) == 69);

struct PICTURE_FORMAT {
    char format[4];
    const char* mime;
};

// Compared as exact 3-byte strings, in this order.
constexpr PICTURE_FORMAT kPictureFormats[] = {
    {"png", "image/png"},  {"PNG", "image/png"},  {"jpg", "image/jpeg"}, {"JPG", "image/jpeg"},
    {"jpe", "image/jpeg"}, {"JPE", "image/jpeg"}, {"bmp", "image/bmp"},  {"BMP", "image/bmp"},
    {"gif", "image/gif"},  {"GIF", "image/gif"},  {"tif", "image/tiff"}, {"TIF", "image/tiff"},
};
}  // namespace

const char* FrameIdForField(std::int32_t fieldId) {
    for (const auto& entry : kFrameIdMap)
        if (entry.fieldId == fieldId) return entry.frameId;
    return nullptr;
}

bool ConvertV22FrameId(const std::uint8_t* id3, char* id4) {
    for (const auto& pair : kV22Ids) {
        if (std::memcmp(pair.v22, id3, 3) == 0) {
            std::memcpy(id4, pair.v23, 4);
            return true;
        }
    }
    return false;
}

std::string_view PictureFormatToMime(const std::uint8_t* format3) {
    for (const auto& entry : kPictureFormats)
        if (std::memcmp(entry.format, format3, 3) == 0) return entry.mime;
    // A MIME string ends at its first NUL, so a format with a NUL in it keeps only what precedes.
    const auto* text = reinterpret_cast<const char*>(format3);
    return std::string_view(text, strnlen(text, 3));
}
