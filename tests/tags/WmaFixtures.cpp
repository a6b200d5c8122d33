#include "tests/tags/WmaFixtures.h"

#include <algorithm>
#include <sstream>
#include <stdexcept>
#include <vector>

#include "audio/ComponentIds.h"
#include "audio/LocalCoCreate.h"
#include "audio/PcmReader.h"
#include "core/UnknownStandAlone.h"
#include "platform/ComInit.h"
#include "tests/support/TempDir.h"
#include "tests/tags/TagTestFiles.h"

void EditWmaWithMutagen(const std::string& path, const std::string& statements) {
    const std::string script = "import sys, struct\nimport mutagen.asf as asf\n"
                               "f = asf.ASF(sys.argv[1])\n" +
                               statements + "\nf.save()\n";
    std::string out;
    if (RunPython(script, path, &out) != 0)
        throw std::runtime_error("mutagen cannot edit " + path);
}

void AddWmaPicture(const std::string& path, std::size_t bytes) {
    // A small real JPEG made by FFmpeg, grown to the size asked for with comment segments
    // right after its start marker, so that decoders still accept it.
    TempDir dir;
    const std::string jpeg = dir.Str("cover.jpg");
    if (RunCommand("ffmpeg -nostdin -v error -y -f lavfi -i testsrc=size=8x8 -frames:v 1 " +
                   Quote(jpeg)) != 0)
        throw std::runtime_error("cannot make a JPEG picture");
    EditWmaWithMutagen(
        path, "jpeg = open(" + Quote(jpeg) + ", 'rb').read()\n"
              "grow = " + std::to_string(bytes) + " - len(jpeg)\n"
              "comments = b''\n"
              "while grow > 4:\n"
              "    n = min(grow, 65537)\n"
              "    if grow - n in (1, 2, 3, 4): n -= 5\n"
              "    comments += b'\\xff\\xfe' + struct.pack('>H', n - 2) + b'x' * (n - 4)\n"
              "    grow -= n\n"
              "jpeg = jpeg[:2] + comments + jpeg[2:]\n"
              "mime = 'image/jpeg'.encode('utf-16-le') + b'\\0\\0'\n"
              "value = struct.pack('<bI', 3, len(jpeg)) + mime + b'\\0\\0' + jpeg\n"
              "f['WM/Picture'] = [asf.ASFByteArrayAttribute(value)]");
}

std::string MutagenAsfAttributes(const std::string& path) {
    std::string out;
    if (RunPython("import sys\nimport mutagen.asf as asf\nf = asf.ASF(sys.argv[1])\n"
                  "lines = []\n"
                  "for k, vs in f.tags.items():\n"
                  "    for v in vs:\n"
                  "        if isinstance(v, asf.ASFByteArrayAttribute):\n"
                  "            lines.append('%s=<%d bytes>' % (k, len(v.value)))\n"
                  "        elif str(v):\n"
                  "            lines.append('%s=%s' % (k, v))\n"
                  "print('\\n'.join(sorted(lines)))",
                  path, &out) != 0)
        return "";
    while (!out.empty() && out.back() == '\n') out.pop_back();
    return out;
}

bool FfmpegDecodesCleanly(const std::string& path) {
    std::string errors;
    const int status =
        RunCommand("ffmpeg -nostdin -v error -i " + Quote(path) + " -f null - 2>&1", &errors);
    return status == 0 && errors.empty();
}

std::uint64_t ComponentDecodedFrames(const std::string& path) {
    CComInitScope com;
    CLocalCoCreate loader;
    ComPtr<IPcmReader> reader;
    if (FAILED(loader.Create(CLSID_WmaDecoder, nullptr, 0, IID_IPcmReader, reader.OutVoid())))
        return 0;
    CBstr bstrPath(Utf8ToUtf16(path));
    std::uint64_t frames = 0, bytes = 0;
    if (FAILED(reader->Open(bstrPath.Get(), 1)) || FAILED(reader->GetLengthFrames(&frames)) ||
        FAILED(reader->GetLengthBytes(&bytes)))
        return 0;
    std::vector<char> buffer(bytes);
    if (bytes == 0 || FAILED(reader->Read(buffer.data(), 0, static_cast<std::uint32_t>(bytes))))
        return 0;
    return frames;
}

std::string WithSortedLine(const std::string& text, const std::string& line) {
    std::vector<std::string> lines{line};
    std::istringstream in(text);
    for (std::string l; std::getline(in, l);) lines.push_back(l);
    std::sort(lines.begin(), lines.end());
    std::string out;
    for (const std::string& l : lines) out += (out.empty() ? "" : "\n") + l;
    return out;
}
