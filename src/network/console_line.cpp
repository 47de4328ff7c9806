#include "network/console_line.h"

void LineAssembler::append(std::string_view received) {
    buffer_.erase(0, start_);
    tailStart_ -= start_;
    start_ = 0;
    for (char c : received) {
        if (c != '\0') {
            appendByte(c);
        }
    }
}

void LineAssembler::appendByte(char c) {
    if (discarding_) {
        if (discardedCr_ && c == '\n') {
            discarding_ = false;
        }
        discardedCr_ = c == '\r';
        return;
    }
    buffer_.push_back(c);
    const std::size_t size = buffer_.size();
    if (c == '\n' && size - tailStart_ >= 2 && buffer_[size - 2] == '\r') {
        tailStart_ = size;
        return;
    }
    if (size - tailStart_ > kMaxPendingText) {
        discarding_ = true;
        discardedCr_ = c == '\r';
        buffer_.erase(tailStart_);
    }
}

std::optional<std::string> LineAssembler::nextLine() {
    const std::size_t end = buffer_.find("\r\n", start_);
    if (end == std::string::npos || end + 2 > tailStart_) {
        return std::nullopt;
    }
    std::string line = buffer_.substr(start_, end + 2 - start_);
    start_ = end + 2;
    return line;
}
