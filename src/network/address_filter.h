#pragma once

#include <array>
#include <cstdint>
#include <string_view>

// The server's access netmask: a dotted IPv4 address passes when each of its four numbers has
// a zero mask, is zero itself, or shares a bit with its mask. Text that is not four numbers
// does not pass.
bool AddressPasses(std::string_view dottedAddress, const std::array<std::uint16_t, 4>& masks);
