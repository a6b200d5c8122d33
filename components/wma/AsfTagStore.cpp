#include "components/wma/AsfTagStore.h"

#include <asffile.h>
#include <asftag.h>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <tfilestream.h>
#include <unistd.h>

#include <climits>
#include <cstdlib>
#include <memory>
#include <vector>

#include "audio/ComponentIds.h"
#include "components/wma/AsfHeaderLayout.h"
#include "components/wma/AsfReplacementFiles.h"
#include "components/wma/AsfSaveCheck.h"
#include "platform/Text.h"

namespace {

// Copy buffer for the replacement file.
constexpr std::size_t kCopyChunkBytes = 1 << 20;

// Where a field lives. Title and artist belong to the content description object; some writers
// repeat them as extended attributes ("title", "Author"), which other readers may prefer, so
// those copies are kept equal to it. The other fields are extended attributes.
struct FieldAttribute {
    std::int32_t fieldId;
    const char* name;  // the attribute, or the name of the copies of a content description field
    bool contentDescription;
};
constexpr FieldAttribute kFieldAttributes[] = {
    {kFieldTitle, "Title", true},          {kFieldArtist, "Author", true},
    {kFieldAlbum, "WM/AlbumTitle", false}, {kFieldYear, "WM/Year", false},
    {kFieldGenre, "WM/Genre", false},      {kFieldBpm, "WM/BeatsPerMinute", false},
    {kFieldKey, "WM/InitialKey", false},
};

const FieldAttribute* FindField(std::int32_t fieldId) {
    for (const FieldAttribute& f : kFieldAttributes)
        if (f.fieldId == fieldId) return &f;
    return nullptr;
}

TagLib::String ToTagString(const std::u16string& text) {
    return TagLib::String(Utf16ToUtf8(text), TagLib::String::UTF8);
}

std::u16string FromTagString(const TagLib::String& text) {
    return Utf8ToUtf16(text.to8Bit(true));
}

std::u16string AttributeText(const TagLib::ASF::Attribute& a) {
    switch (a.type()) {
        case TagLib::ASF::Attribute::UnicodeType:
            return FromTagString(a.toString());
        case TagLib::ASF::Attribute::DWordType:
            return Utf8ToUtf16(std::to_string(a.toUInt()));
        case TagLib::ASF::Attribute::QWordType:
            return Utf8ToUtf16(std::to_string(a.toULongLong()));
        case TagLib::ASF::Attribute::WordType:
            return Utf8ToUtf16(std::to_string(a.toUShort()));
        default:
            return {};
    }
}

// Names of the attributes that hold the field: its own name in any letter case.
std::vector<TagLib::String> AttributeNames(const TagLib::ASF::Tag& tag,
                                           const FieldAttribute& field) {
    const TagLib::String wanted = TagLib::String(field.name).upper();
    std::vector<TagLib::String> names;
    for (const auto& [name, values] : tag.attributeListMap())
        if (name.upper() == wanted && !values.isEmpty()) names.push_back(name);
    return names;
}

std::u16string FieldText(const TagLib::ASF::Tag& tag, const FieldAttribute& field) {
    if (field.fieldId == kFieldTitle && !tag.title().isEmpty()) return FromTagString(tag.title());
    if (field.fieldId == kFieldArtist && !tag.artist().isEmpty())
        return FromTagString(tag.artist());
    for (const TagLib::String& name : AttributeNames(tag, field)) {
        std::u16string text = AttributeText(tag.attribute(name).front());
        if (!text.empty()) return text;
    }
    return {};
}

// True when every place that holds the field holds `text` (for an empty text: none holds any).
bool FieldHolds(const TagLib::ASF::Tag& tag, const FieldAttribute& field,
                const std::u16string& text) {
    if (field.fieldId == kFieldTitle && FromTagString(tag.title()) != text) return false;
    if (field.fieldId == kFieldArtist && FromTagString(tag.artist()) != text) return false;
    const std::vector<TagLib::String> names = AttributeNames(tag, field);
    if (names.empty()) return field.contentDescription || text.empty();
    for (const TagLib::String& name : names)
        if (AttributeText(tag.attribute(name).front()) != text) return false;
    return true;
}

void SetFieldText(TagLib::ASF::Tag& tag, const FieldAttribute& field, const std::u16string& text) {
    const TagLib::String value = ToTagString(text);
    if (field.fieldId == kFieldTitle) tag.setTitle(value);
    if (field.fieldId == kFieldArtist) tag.setArtist(value);
    std::vector<TagLib::String> names = AttributeNames(tag, field);
    if (names.empty() && !field.contentDescription) names.emplace_back(field.name);
    for (const TagLib::String& name : names) {
        if (text.empty())
            tag.removeItem(name);
        else
            tag.setAttribute(name, TagLib::ASF::Attribute(value));
    }
}

// An ASF file opened for reading only.
struct ReadOnlyAsf {
    explicit ReadOnlyAsf(const std::string& path)
        : stream(path.c_str(), true), file(&stream, false) {}
    bool Valid() { return stream.isOpen() && file.isValid() && file.tag(); }
    TagLib::FileStream stream;
    TagLib::ASF::File file;
};

// Sets the field in the file at `path` and saves it there. The save counts only when the file
// afterwards holds the text, still has the audio part of `before` and still decodes.
bool SetAndSave(const std::string& path, const FieldAttribute& field, const std::u16string& text,
                const ASF_AUDIO_PART& before) {
    {
        TagLib::ASF::File file(path.c_str(), false);
        if (!file.isValid() || file.readOnly() || !file.tag()) return false;
        SetFieldText(*file.tag(), field, text);
        if (!file.save()) return false;
    }
    if (!StoreAsfFileSize(path) || !SavedAsfIsSound(path, before)) return false;
    ReadOnlyAsf saved(path);
    return saved.Valid() && FieldHolds(*saved.file.tag(), field, text);
}

bool CopyContents(int from, int to) {
    std::vector<char> buffer(kCopyChunkBytes);
    for (;;) {
        const ssize_t n = ::read(from, buffer.data(), buffer.size());
        if (n == 0) return true;
        if (n < 0) return false;
        for (ssize_t done = 0; done < n;) {
            const ssize_t w = ::write(to, buffer.data() + done, static_cast<size_t>(n - done));
            if (w <= 0) return false;
            done += w;
        }
    }
}

bool ReadWhole(int fd, std::string* bytes) {
    struct stat st {};
    if (::fstat(fd, &st) != 0) return false;
    bytes->resize(static_cast<std::size_t>(st.st_size));
    return ::pread(fd, bytes->data(), bytes->size(), 0) == static_cast<ssize_t>(bytes->size());
}

bool FlushFile(const std::string& path) {
    const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) return false;
    const bool ok = ::fsync(fd) == 0;
    ::close(fd);
    return ok;
}

enum class ReplaceResult { kDone, kFailed, kNoCopyPossible };

// Writes the field into a copy beside `target` and renames the copy over it. The copy stays
// locked while it exists, which tells a later run that it is not a leftover.
ReplaceResult SaveThroughCopy(const std::string& target, const struct stat& original,
                              const FieldAttribute& field, const std::u16string& text,
                              const ASF_AUDIO_PART& before) {
    std::string copy = ReplacementTemplate(target);
    const int out = ::mkstemps(copy.data(), ReplacementSuffixLength());
    if (out < 0) return ReplaceResult::kNoCopyPossible;
    const int in = ::open(target.c_str(), O_RDONLY | O_CLOEXEC);
    bool ok = ::flock(out, LOCK_EX | LOCK_NB) == 0 && in >= 0 && CopyContents(in, out) &&
              ::fchmod(out, original.st_mode & 07777) == 0;
    // Keep the owner where we may; a program run by the owner itself never needs to change it.
    const bool ownerKept = ok && ::fchown(out, original.st_uid, original.st_gid) == 0;
    (void)ownerKept;
    if (in >= 0) ::close(in);
    ok = ok && SetAndSave(copy, field, text, before) && FlushFile(copy) &&
         ::rename(copy.c_str(), target.c_str()) == 0;
    if (!ok) ::unlink(copy.c_str());
    ::close(out);
    return ok ? ReplaceResult::kDone : ReplaceResult::kFailed;
}

// Rewrites the header in the file itself (no copy can be made beside it). The whole file is
// kept in memory meanwhile and written back when the save does not hold up.
bool SaveInPlace(const std::string& target, const FieldAttribute& field,
                 const std::u16string& text, const ASF_AUDIO_PART& before) {
    const int fd = ::open(target.c_str(), O_RDWR | O_CLOEXEC);
    if (fd < 0) return false;
    std::string original;
    bool ok = ReadWhole(fd, &original);
    if (ok && !SetAndSave(target, field, text, before)) {
        ok = false;
        const bool restored = ::pwrite(fd, original.data(), original.size(), 0) ==
                                  static_cast<ssize_t>(original.size()) &&
                              ::ftruncate(fd, static_cast<off_t>(original.size())) == 0;
        (void)restored;  // the save failed either way
    }
    return (::close(fd) == 0) && ok;
}

// The file behind `path`, with symbolic links resolved, so that a link keeps pointing at it.
std::string ResolvedPath(const std::string& path) {
    std::unique_ptr<char, decltype(&std::free)> resolved(::realpath(path.c_str(), nullptr),
                                                         &std::free);
    return resolved ? std::string(resolved.get()) : path;
}

}  // namespace

HRESULT ReadAsfField(const std::string& path, std::int32_t fieldId, std::u16string* text) {
    const FieldAttribute* field = FindField(fieldId);
    if (!field || !text) return E_INVALIDARG;
    ReadOnlyAsf asf(path);
    if (!asf.Valid()) return E_FAIL;
    *text = FieldText(*asf.file.tag(), *field);
    return text->empty() ? E_FAIL : S_OK;
}

HRESULT WriteAsfField(const std::string& path, std::int32_t fieldId, const std::u16string& text) {
    const FieldAttribute* field = FindField(fieldId);
    if (!field) return E_INVALIDARG;
    const std::string target = ResolvedPath(path);
    {
        ReadOnlyAsf asf(target);
        if (!asf.Valid()) return E_FAIL;
        if (FieldHolds(*asf.file.tag(), *field, text)) return S_OK;
    }
    // A header whose counts and sizes contradict each other is not rewritten: what a tag
    // library reads from it would be saved as phantom attributes.
    ASF_AUDIO_PART audio;
    if (!ReadAsfAudioPart(target, &audio)) return E_FAIL;
    struct stat st {};
    if (::stat(target.c_str(), &st) != 0 || !S_ISREG(st.st_mode)) return E_FAIL;
    if (st.st_nlink <= 1) {
        switch (SaveThroughCopy(target, st, *field, text, audio)) {
            case ReplaceResult::kDone:
                return S_OK;
            case ReplaceResult::kFailed:
                return E_FAIL;
            case ReplaceResult::kNoCopyPossible:
                break;
        }
    }
    return SaveInPlace(target, *field, text, audio) ? S_OK : E_FAIL;
}

void RemoveLeftoverReplacements(const std::string& path) {
    RemoveStaleReplacements(ResolvedPath(path));
}

bool CanEditAsf(const std::string& path) {
    if (::access(path.c_str(), R_OK | W_OK) != 0) return false;
    ReadOnlyAsf asf(path);
    return asf.Valid();
}
