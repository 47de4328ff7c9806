#include "network/address_filter.h"

#include <charconv>

bool AddressPasses(std::string_view dotted, const std::array<std::uint16_t, 4>& masks) {
    std::size_t pos = 0;
    for (int i = 0; i < 4; ++i) {
        if (i > 0) {
            if (pos >= dotted.size() || dotted[pos] != '.') {
                return false;
            }
            ++pos;
        }
        unsigned value = 0;
        const char* begin = dotted.data() + pos;
        const char* end = dotted.data() + dotted.size();
        auto [next, error] = std::from_chars(begin, end, value);
        if (error != std::errc() || next == begin) {
            return false;
        }
        pos = static_cast<std::size_t>(next - dotted.data());
        const unsigned mask = masks[static_cast<std::size_t>(i)];
        if (mask != 0 && value != 0 && (mask & value) == 0) {
            return false;
        }
    }
    return pos == dotted.size();
}
