#pragma once
// Address ranges in CIDR notation ("10.0.0.0/8", "::1/128", or a single address), used for
// the school network that may log in without a password.

#include "expected.h"

#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace dovrix::server {

// The address in its usual text form ("10.0.0.1", "2001:db8::1"; an IPv4 address mapped into
// IPv6 as plain IPv4), or nullopt when the text is no IP address.
std::optional<std::string> canonicalAddress(std::string_view text);

// What the limits on a client count under: its address, or for IPv6 the /64 the address lies
// in ("2001:db8:1:2::/64"), which a single machine or home network holds whole.
std::string limitKey(const std::string& canonical);

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
    void add(AddressRange range) { ranges_.push_back(std::move(range)); }
    const std::vector<AddressRange>& ranges() const { return ranges_; }

private:
    std::vector<AddressRange> ranges_;
};

// The address a request comes from: the connection's peer, or for a request that came through
// the front end's Unix socket, the address the front end names in X-Real-IP (`realIp`, null
// when the header is missing). nullopt for a request through the socket without a valid
// X-Real-IP: its client cannot be told apart from the front end's others, least of all from
// the school network.
std::optional<std::string> clientAddress(std::string_view peer, const std::string* realIp,
                                         bool throughFrontEnd);

} // namespace dovrix::server
