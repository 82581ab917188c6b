#include "net/link_session.h"

#include <cstring>

namespace keltrix {

TLinkSession::TLinkSession(const TRecordCipher* cipher) : Cipher_(cipher) {
    if (Cipher_) Chain_ = Cipher_->InitialVector();
}

bool TLinkSession::OnRead(const std::uint8_t* bytes, std::size_t size, const TRawData& record) {
    if (size < 1 || bytes[size - 1] != RecordMarker) return false;
    if (UnsentSize() > MaxUnsent) {
        // A peer that asks but never reads must not make us hold its answers without end.
        ++Withheld_;
        return false;
    }
    if (Head_ > 0 && Head_ >= Out_.size() / 2) {
        Out_.erase(Out_.begin(), Out_.begin() + static_cast<std::ptrdiff_t>(Head_));
        Head_ = 0;
    }
    const std::size_t at = Out_.size();
    Out_.resize(at + RecordSize);
    std::memcpy(Out_.data() + at, &record, RecordSize);
    if (Cipher_) Cipher_->Encrypt(Chain_, Out_.data() + at, RecordSize);
    ++Answers_;
    return true;
}

void TLinkSession::Sent(std::size_t count) {
    Head_ += count;
    if (Head_ >= Out_.size()) {
        Out_.clear();
        Head_ = 0;
    }
}

} // namespace keltrix
