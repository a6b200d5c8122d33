#include "tags/Id3V24Tag.h"

#include <algorithm>
#include <iterator>
#include <string_view>

#include "tags/Id3Text.h"

namespace {
constexpr std::string_view kV24OnlyFrames[] = {"ASPI", "EQU2", "RVA2", "SEEK", "SIGN",
                                                "TDEN", "TDRL", "TDTG", "TMOO", "TPRO",
                                                "TSOA", "TSOP", "TSOT", "TSST"};
// Positions in an ID3v2.4 timestamp "yyyy-MM-ddTHH:mm:ss".
constexpr std::size_t kYearLength = 4;
constexpr std::size_t kMonthAt = 5, kDayAt = 8, kHourAt = 11, kMinuteAt = 14;
constexpr std::size_t kFieldLength = 2;

using FrameList = std::vector<std::unique_ptr<CID3Frame>>;

bool Has(const FrameList& frames, std::string_view id) {
    return std::any_of(frames.begin(), frames.end(),
                       [id](const auto& frame) { return frame && frame->HasId(id); });
}

std::unique_ptr<CID3Frame> TextFrame(std::string_view id, std::u16string_view text) {
    auto frame = std::make_unique<CID3Frame>();
    frame->SetId(id);
    frame->SetText(text);
    return frame;
}

bool IsDigits(std::u16string_view text) {
    return !text.empty() &&
           std::all_of(text.begin(), text.end(), [](char16_t c) { return c >= u'0' && c <= u'9'; });
}

// The two-digit field at `at`, or empty when the timestamp does not reach it.
WString TimestampField(std::u16string_view stamp, std::size_t at) {
    if (stamp.size() < at + kFieldLength) return {};
    const std::u16string_view field = stamp.substr(at, kFieldLength);
    return IsDigits(field) ? WString(field) : WString();
}

// The v2.3 frames for a v2.4 timestamp frame, appended to `out`. `all` is the tag's frame list
// (frames already moved to `out` are null there).
void ConvertTimestamp(const CID3Frame& frame, const FrameList& all, FrameList& out) {
    WString stamp;
    if (FAILED(frame.GetText(stamp))) return;
    stamp = stamp.substr(0, stamp.find(u'\0'));
    const std::u16string_view year = std::u16string_view(stamp).substr(0, kYearLength);
    if (year.size() != kYearLength || !IsDigits(year)) return;
    if (frame.HasId("TDOR")) {
        if (!Has(all, "TORY")) out.push_back(TextFrame("TORY", year));
        return;
    }
    if (!Has(all, "TYER")) out.push_back(TextFrame("TYER", year));
    const WString month = TimestampField(stamp, kMonthAt), day = TimestampField(stamp, kDayAt);
    if (!month.empty() && !day.empty() && !Has(all, "TDAT"))
        out.push_back(TextFrame("TDAT", day + month));
    const WString hour = TimestampField(stamp, kHourAt);
    const WString minute = TimestampField(stamp, kMinuteAt);
    if (!hour.empty() && !minute.empty() && !Has(all, "TIME"))
        out.push_back(TextFrame("TIME", hour + minute));
}

// The NUL-separated strings of TIPL and TMCL frames, in order.
void AppendPeople(const CID3Frame& frame, std::vector<WString>& people) {
    WString text;
    if (FAILED(frame.GetText(text))) return;
    std::size_t start = 0;
    while (start <= text.size()) {
        const std::size_t nul = std::min(text.find(u'\0', start), text.size());
        people.push_back(text.substr(start, nul - start));
        start = nul + 1;
    }
    // A trailing terminator ends the last string; it starts no new one.
    if (!people.empty() && people.back().empty() && !text.empty() && text.back() == u'\0')
        people.pop_back();
}

std::unique_ptr<CID3Frame> PeopleFrame(const std::vector<WString>& people) {
    auto frame = std::make_unique<CID3Frame>();
    frame->SetId("IPLS");
    std::vector<std::uint8_t>& body = frame->Body();
    body.push_back(kEncodingUtf16Bom);
    for (const WString& name : people) AppendUtf16WithBom(body, name);
    return frame;
}
}  // namespace

void ConvertV24FramesToV23(FrameList& frames) {
    FrameList out;
    std::vector<WString> people;
    std::size_t peopleAt = 0;
    bool hasPeople = false;
    for (auto& frame : frames) {
        const std::string_view id = frame->Id();
        if (id == "TDRC" || id == "TDOR") {
            ConvertTimestamp(*frame, frames, out);
        } else if (id == "TIPL" || id == "TMCL") {
            if (!hasPeople) peopleAt = out.size();
            hasPeople = true;
            AppendPeople(*frame, people);
        } else if (std::find(std::begin(kV24OnlyFrames), std::end(kV24OnlyFrames), id) ==
                   std::end(kV24OnlyFrames)) {
            out.push_back(std::move(frame));
        }
    }
    if (hasPeople && !people.empty() && !Has(out, "IPLS"))
        out.insert(out.begin() + static_cast<std::ptrdiff_t>(peopleAt), PeopleFrame(people));
    frames = std::move(out);
}
