#include "address_range.h"

#include "number_text.h"

#include <arpa/inet.h>

#include <algorithm>
#include <cstring>
#include <optional>

namespace dovrix::server {

namespace {

// The address in its 16-byte IPv6 form; IPv4 becomes ::ffff:a.b.c.d.
std::optional<std::array<uint8_t, 16>> parseAddress(std::string_view text) {
    const std::string address(text);
    std::array<uint8_t, 16> bytes{};
    in_addr v4{};
    if (inet_pton(AF_INET, address.c_str(), &v4) == 1) {
        bytes[10] = 0xff;
        bytes[11] = 0xff;
        std::memcpy(bytes.data() + 12, &v4, 4);
        return bytes;
    }
    in6_addr v6{};
    if (inet_pton(AF_INET6, address.c_str(), &v6) == 1) {
        std::memcpy(bytes.data(), &v6, 16);
        return bytes;
    }
    return std::nullopt;
}

bool isMappedV4(std::string_view text) {
    return text.find(':') == std::string_view::npos;
}

} // namespace

std::optional<std::string> canonicalAddress(std::string_view text) {
    const auto address = parseAddress(text);
    if (!address) {
        return std::nullopt;
    }
    char out[INET6_ADDRSTRLEN] = {};
    const bool mapped = std::all_of(address->begin(), address->begin() + 10,
                                    [](uint8_t byte) { return byte == 0; }) &&
                        (*address)[10] == 0xff && (*address)[11] == 0xff;
    if (mapped) {
        inet_ntop(AF_INET, address->data() + 12, out, sizeof out);
    } else {
        inet_ntop(AF_INET6, address->data(), out, sizeof out);
    }
    return std::string(out);
}

std::string limitKey(const std::string& canonical) {
    if (canonical.find(':') == std::string::npos) {
        return canonical;
    }
    auto address = parseAddress(canonical);
    if (!address) {
        return canonical;
    }
    std::fill(address->begin() + 8, address->end(), uint8_t{0});
    char out[INET6_ADDRSTRLEN] = {};
    inet_ntop(AF_INET6, address->data(), out, sizeof out);
    return std::string(out) + "/64";
}

Expected<AddressRange> AddressRange::parse(std::string_view text) {
    const std::size_t slash = text.find('/');
    const std::string_view addressText = text.substr(0, slash);
    const auto address = parseAddress(addressText);
    if (!address) {
        return Error{"not an IP address: " + std::string(addressText)};
    }
    const bool v4 = isMappedV4(addressText);
    const int maxBits = v4 ? 32 : 128;
    int bits = maxBits;
    if (slash != std::string_view::npos) {
        const auto written = wholeNumber(text.substr(slash + 1));
        if (!written || *written < 0 || *written > maxBits) {
            return Error{"bad prefix length in " + std::string(text)};
        }
        bits = *written;
    }
    AddressRange range;
    range.prefixBits_ = v4 ? bits + 96 : bits;
    range.prefix_ = *address;
    range.text_ = std::string(text);
    // Clear the host bits so contains() can compare whole bytes.
    for (int bit = range.prefixBits_; bit < 128; ++bit) {
        range.prefix_[static_cast<std::size_t>(bit / 8)] &=
            static_cast<uint8_t>(~(0x80u >> (bit % 8)));
    }
    return range;
}

bool AddressRange::contains(std::string_view text) const {
    const auto address = parseAddress(text);
    if (!address) {
        return false;
    }
    for (int bit = 0; bit < prefixBits_; ++bit) {
        const auto index = static_cast<std::size_t>(bit / 8);
        const uint8_t mask = static_cast<uint8_t>(0x80u >> (bit % 8));
        if (((*address)[index] & mask) != (prefix_[index] & mask)) {
            return false;
        }
    }
    return true;
}

AddressRanges AddressRanges::loopback() {
    AddressRanges ranges;
    ranges.ranges_.push_back(*AddressRange::parse("127.0.0.0/8"));
    ranges.ranges_.push_back(*AddressRange::parse("::1/128"));
    return ranges;
}

Expected<AddressRanges> AddressRanges::parse(std::string_view list) {
    AddressRanges ranges;
    while (!list.empty()) {
        const std::size_t comma = list.find(',');
        std::string_view item = list.substr(0, comma);
        list = comma == std::string_view::npos ? std::string_view{} : list.substr(comma + 1);
        while (!item.empty() && item.front() == ' ') {
            item.remove_prefix(1);
        }
        while (!item.empty() && item.back() == ' ') {
            item.remove_suffix(1);
        }
        if (item.empty()) {
            continue;
        }
        auto range = AddressRange::parse(item);
        if (!range) {
            return Error{range.error()};
        }
        ranges.ranges_.push_back(*range);
    }
    return ranges;
}

bool AddressRanges::contains(std::string_view address) const {
    for (const AddressRange& range : ranges_) {
        if (range.contains(address)) {
            return true;
        }
    }
    return false;
}

std::optional<std::string> clientAddress(std::string_view peer, const std::string* realIp,
                                         bool throughFrontEnd) {
    if (!throughFrontEnd) {
        return canonicalAddress(peer);
    }
    if (!realIp) {
        return std::nullopt;
    }
    return canonicalAddress(*realIp);
}

} // namespace dovrix::server
