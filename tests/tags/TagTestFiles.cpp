#include "tests/tags/TagTestFiles.h"

#include <stdexcept>

#include "tests/support/TempDir.h"

const std::string& Mp3Audio() {
    static const std::string audio = [] {
        TempDir dir;
        const std::string wav = dir.Str("a.wav");
        const std::string mp3 = dir.Str("a.mp3");
        if (RunCommand("sox -n -r 44100 -c 1 " + Quote(wav) + " synth 0.5 sine 440") != 0 ||
            RunCommand("lame --quiet " + Quote(wav) + " " + Quote(mp3)) != 0)
            throw std::runtime_error("cannot make MP3 audio");
        return ReadFileBytes(mp3);
    }();
    return audio;
}

std::string BigEndian32(std::uint32_t v) {
    return {static_cast<char>(v >> 24), static_cast<char>(v >> 16), static_cast<char>(v >> 8),
            static_cast<char>(v)};
}

std::string Syncsafe32(std::uint32_t v) {
    return {static_cast<char>((v >> 21) & 0x7F), static_cast<char>((v >> 14) & 0x7F),
            static_cast<char>((v >> 7) & 0x7F), static_cast<char>(v & 0x7F)};
}

std::string V22Frame(const std::string& id, const std::string& body) {
    const auto n = static_cast<std::uint32_t>(body.size());
    return id + BigEndian32(n).substr(1) + body;
}

std::string V23Frame(const std::string& id, const std::string& body, std::uint8_t status,
                     std::uint8_t format) {
    return id + BigEndian32(static_cast<std::uint32_t>(body.size())) + static_cast<char>(status) +
           static_cast<char>(format) + body;
}

std::string V24Frame(const std::string& id, const std::string& body, std::uint8_t status,
                     std::uint8_t format) {
    return id + Syncsafe32(static_cast<std::uint32_t>(body.size())) + static_cast<char>(status) +
           static_cast<char>(format) + body;
}

std::string Id3v2Tag(int version, std::uint8_t flags, const std::string& body,
                     std::size_t padding) {
    std::string tag = "ID3";
    tag += static_cast<char>(version);
    tag += '\0';
    tag += static_cast<char>(flags);
    tag += Syncsafe32(static_cast<std::uint32_t>(body.size() + padding));
    return tag + body + std::string(padding, '\0');
}

std::string Latin1Body(const std::string& text) { return std::string(1, '\0') + text; }

std::string Utf16Body(const std::u16string& text) {
    std::string body = "\x01\xFF\xFE";
    for (const char16_t c : text) {
        body += static_cast<char>(c & 0xFF);
        body += static_cast<char>(c >> 8);
    }
    return body;
}

std::string Id3v1Block(const std::string& title, const std::string& artist,
                       const std::string& album, const std::string& year, std::uint8_t genre) {
    std::string block(128, '\0');
    block.replace(0, 3, "TAG");
    block.replace(3, title.size(), title);
    block.replace(33, artist.size(), artist);
    block.replace(63, album.size(), album);
    block.replace(93, year.size(), year);
    block[127] = static_cast<char>(genre);
    return block;
}

std::string Quote(const std::string& text) {
    std::string out = "'";
    for (const char c : text) out += c == '\'' ? std::string("'\\''") : std::string(1, c);
    return out + "'";
}

int RunPython(const std::string& script, const std::string& argument, std::string* out) {
    return RunCommand("/usr/bin/python3 -c " + Quote(script) + " " + Quote(argument), out);
}

std::string MutagenFrames(const std::string& path) {
    std::string out;
    if (RunPython("import sys\nfrom mutagen.id3 import ID3\n"
                  "print('\\n'.join(sorted(ID3(sys.argv[1]).pprint().splitlines())))",
                  path, &out) != 0)
        return "";
    return out;
}

std::string MutagenVersion(const std::string& path) {
    std::string out;
    RunPython("import sys\nfrom mutagen.id3 import ID3\n"
              "print('.'.join(map(str, ID3(sys.argv[1]).version)), end='')",
              path, &out);
    return out;
}

std::string FfprobeTag(const std::string& path, const std::string& key) {
    std::string out;
    RunCommand("ffprobe -v quiet -show_entries format_tags=" + key +
                   " -of default=noprint_wrappers=1:nokey=1 " + Quote(path),
               &out);
    while (!out.empty() && (out.back() == '\n' || out.back() == '\r')) out.pop_back();
    return out;
}

void MakeWma(const std::string& path, const std::string& metadata) {
    TempDir dir;
    const std::string wav = dir.Str("a.wav");
    if (RunCommand("sox -n -r 44100 -c 2 " + Quote(wav) + " synth 0.5 sine 440") != 0 ||
        RunCommand("ffmpeg -nostdin -v error -y -i " + Quote(wav) + " -c:a wmav2 " + metadata +
                   " " + Quote(path)) != 0)
        throw std::runtime_error("cannot make a Windows Media file");
}

std::string AsfPayload(const std::string& bytes) {
    // The header object: a 16-byte GUID, then its size as a little-endian 64-bit value.
    constexpr std::size_t kSizeOffset = 16;
    if (bytes.size() < kSizeOffset + 8) return {};
    std::uint64_t size = 0;
    for (int i = 7; i >= 0; --i)
        size = (size << 8) | static_cast<std::uint8_t>(bytes[kSizeOffset + i]);
    return size < bytes.size() ? bytes.substr(size) : std::string();
}
