#include "net/cipher.h"

#include "measure/codepage.h"

#include <nettle/cbc.h>
#include <nettle/sha1.h>

#include <algorithm>
#include <cstring>

namespace keltrix {
namespace {

void BlowfishEncrypt(const void* ctx, std::size_t length, std::uint8_t* dst,
                     const std::uint8_t* src) {
    blowfish_encrypt(static_cast<const blowfish_ctx*>(ctx), length, dst, src);
}
void BlowfishDecrypt(const void* ctx, std::size_t length, std::uint8_t* dst,
                     const std::uint8_t* src) {
    blowfish_decrypt(static_cast<const blowfish_ctx*>(ctx), length, dst, src);
}

} // namespace

std::string PasswordBytes(std::string_view utf8) {
    return Utf8ToAnsi(utf8);
}

TRecordKeyBuffer RecordKeyBuffer(std::string_view passwordBytes) {
    TRecordKeyBuffer key;
    key.fill(0xFF);
    sha1_ctx sha;
    sha1_init(&sha);
    sha1_update(&sha, passwordBytes.size(),
                reinterpret_cast<const std::uint8_t*>(passwordBytes.data()));
    sha1_digest(&sha, SHA1_DIGEST_SIZE, key.data());
    return key;
}

TRecordCipher::TRecordCipher() {
    SetPassword("");
}

void TRecordCipher::SetPassword(std::string_view utf8) {
    TRecordKeyBuffer key = RecordKeyBuffer(PasswordBytes(utf8));
    // A "weak" key gives 0 here; the schedule works all the same and matches other peers.
    (void)blowfish_set_key(&Ctx_, key.size(), key.data());
    TCipherBlock ones;
    ones.fill(0xFF);
    blowfish_encrypt(&Ctx_, CipherBlockSize, IV_.data(), ones.data());
    // The buffer must not keep the key: encipher it in place, then start from the IV again.
    TCipherBlock chain = IV_;
    Encrypt(chain, key.data(), key.size());
}

void TRecordCipher::Encrypt(TCipherBlock& chain, std::uint8_t* data, std::size_t size) const {
    cbc_encrypt(&Ctx_, BlowfishEncrypt, CipherBlockSize, chain.data(), size, data, data);
}

void TRecordCipher::Decrypt(TCipherBlock& chain, std::uint8_t* data, std::size_t size) const {
    cbc_decrypt(&Ctx_, BlowfishDecrypt, CipherBlockSize, chain.data(), size, data, data);
}

void TStreamDecipher::Start(const TRecordCipher& cipher) {
    Cipher_ = &cipher;
    Chain_ = cipher.InitialVector();
    Held_ = 0;
}

std::size_t TStreamDecipher::Decipher(const std::uint8_t* in, std::size_t size, std::uint8_t* out) {
    if (!Cipher_) return 0;
    std::size_t written = 0;
    if (Held_ > 0) {
        const std::size_t take = std::min(CipherBlockSize - Held_, size);
        std::memcpy(Pending_.data() + Held_, in, take);
        Held_ += take;
        in += take;
        size -= take;
        if (Held_ < CipherBlockSize) return 0;
        std::memcpy(out, Pending_.data(), CipherBlockSize);
        written = CipherBlockSize;
        Held_ = 0;
    }
    const std::size_t whole = size - size % CipherBlockSize;
    std::memcpy(out + written, in, whole);
    written += whole;
    Held_ = size - whole;
    std::memcpy(Pending_.data(), in + whole, Held_);
    Cipher_->Decrypt(Chain_, out, written);
    return written;
}

} // namespace keltrix
