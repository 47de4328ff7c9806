#pragma once

#include <cstdint>
#include <optional>

// One byte at a time from the instrument line. An empty result means no byte arrived within the
// source's read timeout.
class ByteSource {
public:
    virtual ~ByteSource() = default;
    virtual std::optional<std::uint8_t> readByte() = 0;
};
