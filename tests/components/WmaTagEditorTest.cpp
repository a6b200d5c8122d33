// The Windows Media component's tag editor: the calls of tag import (Open with mode 0, then
// GetValue) and of tag write-back (OpenForEdit, SetValue for title, artist and tempo, release),
// checked through the interface, by ffprobe in a separate process, and byte for byte on the
// audio that follows the ASF header.

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstring>
#include <filesystem>

#include "audio/ComponentIds.h"
#include "tests/components/ComponentFixtures.h"

namespace {

// ASF header object: 16-byte GUID, then its size as a little-endian 64-bit value.
constexpr std::size_t kHeaderSizeOffset = 16;

// Everything after the header object: the data object with the audio, and any index.
std::string AudioPayload(const std::string& path) {
    const std::string bytes = ReadFileBytes(path);
    if (bytes.size() < kHeaderSizeOffset + 8) return {};
    std::uint64_t headerSize = 0;
    for (int i = 7; i >= 0; --i)
        headerSize = (headerSize << 8) | static_cast<std::uint8_t>(bytes[kHeaderSizeOffset + i]);
    return headerSize < bytes.size() ? bytes.substr(headerSize) : std::string();
}

// The file's tags as ffprobe lists them ("TAG:name=value" lines).
std::string ProbeTags(const std::string& path) {
    std::string out;
    EXPECT_EQ(
        RunCommand("ffprobe -v error -show_entries format_tags -of default=nw=1 '" + path + "'",
                   &out),
        0);
    return out;
}

class WmaTagEditor : public ::testing::Test {
protected:
    void SetUp() override {
        path_ = EncodeWma(dir_, "tagged", MakeTestSignal(44100, 2, 1.0), "wmav2",
                          "-metadata title='Old Title' -metadata artist='Old Artist'");
    }

    // A fresh object of the component with its tag editor.
    ComPtr<ITrackTagEditor> NewEditor(ComPtr<IPcmReader>* reader) {
        ComPtr<ITrackTagEditor> editor;
        EXPECT_EQ(loader_.Create(CLSID_WmaDecoder, nullptr, 0, IID_IPcmReader, reader->OutVoid()),
                  S_OK);
        if (*reader) {
            EXPECT_EQ((*reader)->QueryInterface(IID_ITrackTagEditor, editor.OutVoid()), S_OK);
        }
        return editor;
    }

    // Reads one field the way tag import does: Open(path, 0), then GetValue.
    HRESULT ImportField(const std::string& path, std::int32_t field, WString* text) {
        ComPtr<IPcmReader> reader;
        ComPtr<ITrackTagEditor> editor = NewEditor(&reader);
        CBstr bstrPath(Utf8ToUtf16(path));
        reader->Open(bstrPath.Get(), 0);
        CBstr value;
        const HRESULT hr = editor->GetValue(field, value.Out());
        *text = value.Str();
        return hr;
    }

    TempDir dir_;
    CLocalCoCreate loader_;
    std::string path_;
};

TEST_F(WmaTagEditor, ImportReadsTitleAndArtistAndNoTempo) {
    WString text;
    EXPECT_EQ(ImportField(path_, kFieldTitle, &text), S_OK);
    EXPECT_EQ(text, u"Old Title");
    EXPECT_EQ(ImportField(path_, kFieldArtist, &text), S_OK);
    EXPECT_EQ(text, u"Old Artist");
    EXPECT_EQ(ImportField(path_, kFieldBpm, &text), E_FAIL);
    EXPECT_EQ(ImportField(path_, 999, &text), E_INVALIDARG);
}

TEST_F(WmaTagEditor, WriteBackStoresEveryFieldAndKeepsTheAudio) {
    const std::string payloadBefore = AudioPayload(path_);
    ASSERT_FALSE(payloadBefore.empty());
    const WString title = u"Caf\u00e9 Nocturne", artist = u"R\u00e4nder & S\u00f6hne";
    {
        // The write-back's calls, in its order; the object is released at the end of the scope.
        ComPtr<IPcmReader> reader;
        ComPtr<ITrackTagEditor> editor = NewEditor(&reader);
        CBstr bstrPath(Utf8ToUtf16(path_));
        ASSERT_EQ(editor->OpenForEdit(bstrPath.Get()), S_OK);
        EXPECT_EQ(editor->SetValue(kFieldTitle, CBstr(title).Get()), S_OK);
        EXPECT_EQ(editor->SetValue(kFieldArtist, CBstr(artist).Get()), S_OK);
        EXPECT_EQ(editor->SetValue(kFieldBpm, CBstr(u"128.50").Get()), S_OK);
    }
    WString text;
    EXPECT_EQ(ImportField(path_, kFieldTitle, &text), S_OK);
    EXPECT_EQ(text, title);
    EXPECT_EQ(ImportField(path_, kFieldArtist, &text), S_OK);
    EXPECT_EQ(text, artist);
    EXPECT_EQ(ImportField(path_, kFieldBpm, &text), S_OK);
    EXPECT_EQ(text, u"128.50");

    const std::string probed = ProbeTags(path_);
    EXPECT_NE(probed.find("TAG:title=Caf\xc3\xa9 Nocturne\n"), std::string::npos) << probed;
    EXPECT_NE(probed.find("TAG:artist=R\xc3\xa4nder & S\xc3\xb6hne\n"), std::string::npos)
        << probed;
    EXPECT_NE(probed.find("TAG:WM/BeatsPerMinute=128.50\n"), std::string::npos) << probed;

    EXPECT_EQ(AudioPayload(path_), payloadBefore);
    // No replacement file is left beside the original.
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(dir_.Path()), {}), 2);

    // The audio still decodes as before.
    ComPtr<IPcmReader> reader = OpenDecoder(loader_, CLSID_WmaDecoder, path_);
    ASSERT_TRUE(reader);
}

TEST_F(WmaTagEditor, StoringTheValueAlreadyThereWritesNothing) {
    struct stat before {
    }, after{};
    ASSERT_EQ(stat(path_.c_str(), &before), 0);
    ComPtr<IPcmReader> reader;
    ComPtr<ITrackTagEditor> editor = NewEditor(&reader);
    ASSERT_EQ(editor->OpenForEdit(CBstr(Utf8ToUtf16(path_)).Get()), S_OK);
    EXPECT_EQ(editor->SetValue(kFieldTitle, CBstr(u"Old Title").Get()), S_OK);
    ASSERT_EQ(stat(path_.c_str(), &after), 0);
    EXPECT_EQ(before.st_ino, after.st_ino);
    EXPECT_EQ(before.st_mtim.tv_nsec, after.st_mtim.tv_nsec);
}

TEST_F(WmaTagEditor, EditThroughASymbolicLinkUpdatesTheTarget) {
    const std::string link = dir_.Str("link.wma");
    ASSERT_EQ(symlink(path_.c_str(), link.c_str()), 0);
    ComPtr<IPcmReader> reader;
    ComPtr<ITrackTagEditor> editor = NewEditor(&reader);
    ASSERT_EQ(editor->OpenForEdit(CBstr(Utf8ToUtf16(link)).Get()), S_OK);
    EXPECT_EQ(editor->SetValue(kFieldBpm, CBstr(u"99.00").Get()), S_OK);
    EXPECT_TRUE(std::filesystem::is_symlink(link));
    WString text;
    EXPECT_EQ(ImportField(path_, kFieldBpm, &text), S_OK);
    EXPECT_EQ(text, u"99.00");
}

TEST_F(WmaTagEditor, RefusesStoresWithoutAnEditableFile) {
    ComPtr<IPcmReader> reader;
    ComPtr<ITrackTagEditor> editor = NewEditor(&reader);
    // Opening for decoding is not opening for editing.
    ASSERT_EQ(reader->Open(CBstr(Utf8ToUtf16(path_)).Get(), 0), S_OK);
    EXPECT_EQ(editor->SetValue(kFieldTitle, CBstr(u"x").Get()), E_FAIL);

    const std::string notAsf = dir_.Str("noise.wma");
    const std::string noise = PseudoRandomBytes(20000, 7);
    WriteFileBytes(notAsf, noise);
    EXPECT_EQ(editor->OpenForEdit(CBstr(Utf8ToUtf16(notAsf)).Get()), E_FAIL);
    EXPECT_EQ(editor->SetValue(kFieldTitle, CBstr(u"x").Get()), E_FAIL);
    EXPECT_EQ(ReadFileBytes(notAsf), noise);
    EXPECT_EQ(editor->OpenForEdit(CBstr(dir_.W("missing.wma")).Get()), E_FAIL);
    EXPECT_EQ(editor->OpenForEdit(nullptr), E_FAIL);

    ASSERT_EQ(editor->OpenForEdit(CBstr(Utf8ToUtf16(path_)).Get()), S_OK);
    EXPECT_EQ(editor->SetValue(4, CBstr(u"/elsewhere").Get()), E_INVALIDARG);
    BSTR* nothing = nullptr;
    EXPECT_EQ(editor->GetValue(kFieldTitle, nothing), E_INVALIDARG);
}

TEST_F(WmaTagEditor, EmptyTextRemovesTheField) {
    ComPtr<IPcmReader> reader;
    ComPtr<ITrackTagEditor> editor = NewEditor(&reader);
    ASSERT_EQ(editor->OpenForEdit(CBstr(Utf8ToUtf16(path_)).Get()), S_OK);
    ASSERT_EQ(editor->SetValue(kFieldBpm, CBstr(u"120.00").Get()), S_OK);
    ASSERT_EQ(editor->SetValue(kFieldBpm, CBstr(u"").Get()), S_OK);
    CBstr value;
    EXPECT_EQ(editor->GetValue(kFieldBpm, value.Out()), E_FAIL);
    EXPECT_EQ(ProbeTags(path_).find("BeatsPerMinute"), std::string::npos);
}

}  // namespace
