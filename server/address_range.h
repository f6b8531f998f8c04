#pragma once
// Address ranges in CIDR notation ("10.0.0.0/8", "::1/128", or a single address), used for
// the school network that may log in without a password.

#include "expected.h"

#include <array>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace dovrix::server {

class AddressRange {
public:
    static Expected<AddressRange> parse(std::string_view text);
    // A textual IPv4 or IPv6 address; IPv4 addresses mapped into IPv6 count as IPv4.
    bool contains(std::string_view address) const;
    std::string text() const { return text_; }

private:
    std::array<uint8_t, 16> prefix_{}; // IPv4 held as ::ffff:a.b.c.d
    int prefixBits_ = 0;               // over the 128-bit form
    std::string text_;
};

class AddressRanges {
public:
    // Loopback only: 127.0.0.0/8 and ::1.
    static AddressRanges loopback();
    // A comma-separated list of ranges.
    static Expected<AddressRanges> parse(std::string_view list);

    bool contains(std::string_view address) const;
    const std::vector<AddressRange>& ranges() const { return ranges_; }

private:
    std::vector<AddressRange> ranges_;
};

} // namespace dovrix::server
