#include "store/AudioFingerprint.h"

#include <openssl/evp.h>
#include <sys/stat.h>

#include <memory>
#include <vector>

#include "platform/File.h"
#include "platform/SystemError.h"
#include "store/AudioPayload.h"

namespace {

struct DigestDeleter {
    void operator()(EVP_MD_CTX* ctx) const { EVP_MD_CTX_free(ctx); }
};

// Feeds `count` bytes of the file at `offset` to the digest; false on a short read.
bool HashPiece(CFile& file, EVP_MD_CTX* ctx, std::uint64_t offset, std::uint64_t count,
               std::vector<unsigned char>& buffer) {
    buffer.resize(count);
    file.Seek(offset);
    if (file.Read(buffer.data(), count) != count) return false;
    return EVP_DigestUpdate(ctx, buffer.data(), count) == 1;
}

}  // namespace

bool ReadFileIdentity(const WString& path, FileIdentity& identity) {
    struct stat st {};
    if (::stat(Utf16ToUtf8(path).c_str(), &st) != 0) return false;
    identity.device = static_cast<std::uint64_t>(st.st_dev);
    identity.inode = static_cast<std::uint64_t>(st.st_ino);
    identity.size = static_cast<std::uint64_t>(st.st_size);
    identity.mtimeNs = static_cast<std::int64_t>(st.st_mtim.tv_sec) * 1000000000 +
                       st.st_mtim.tv_nsec;
    return true;
}

bool ComputeAudioFingerprint(const WString& path, AudioFingerprint& fingerprint) {
    CFile file;
    if (!file.TryOpen(path, FileMode::Read)) return false;
    std::unique_ptr<EVP_MD_CTX, DigestDeleter> ctx(EVP_MD_CTX_new());
    if (!ctx || EVP_DigestInit_ex(ctx.get(), EVP_sha256(), nullptr) != 1) return false;
    try {
        const AudioPayloadRange range = FindAudioPayload(file, EffectiveContainer(path));
        const std::uint64_t piece = AudioFingerprint::kPieceBytes;
        std::vector<unsigned char> buffer;
        bool ok;
        if (range.Size() <= 3 * piece) {
            ok = HashPiece(file, ctx.get(), range.begin, range.Size(), buffer);
        } else {
            const std::uint64_t middle = range.begin + (range.Size() - piece) / 2;
            ok = HashPiece(file, ctx.get(), range.begin, piece, buffer) &&
                 HashPiece(file, ctx.get(), middle, piece, buffer) &&
                 HashPiece(file, ctx.get(), range.end - piece, piece, buffer);
        }
        if (!ok) return false;
        fingerprint.payloadSize = range.Size();
    } catch (const CFileException&) {
        return false;
    }
    unsigned int length = 0;
    return EVP_DigestFinal_ex(ctx.get(), fingerprint.hash.data(), &length) == 1 &&
           length == fingerprint.hash.size();
}
