#pragma once

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>

// Collects what one console sends and cuts it into CR LF terminated lines. Each console has its
// own, so a half line of one console is never completed by another.
class LineAssembler {
public:
    // A line that grows beyond this without its line end is thrown away, up to and including
    // the line end that finally comes.
    static constexpr std::size_t kMaxPendingText = 4096;

    // NUL bytes end nothing and are dropped; the text around them is kept.
    void append(std::string_view received);
    // The next line with its CR LF, or nullopt when no complete line is waiting.
    std::optional<std::string> nextLine();

    std::size_t pending() const { return buffer_.size() - start_; }
    bool discarding() const { return discarding_; }

private:
    void appendByte(char c);

    std::string buffer_;
    std::size_t start_ = 0;      // lines already handed out stay in front until the next append
    std::size_t tailStart_ = 0;  // where the text after the last line end begins
    bool discarding_ = false;
    bool discardedCr_ = false;
};
