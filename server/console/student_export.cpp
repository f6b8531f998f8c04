#include "student_export.h"

#include "time_text.h"

namespace dovrix::server::console {

std::string jsonString(std::string_view text) {
    static constexpr char kHex[] = "0123456789abcdef";
    std::string out = "\"";
    for (const char c : text) {
        const auto byte = static_cast<unsigned char>(c);
        if (c == '"' || c == '\\') {
            out += {'\\', c};
        } else if (byte < 0x20) {
            out += {'\\', 'u', '0', '0', kHex[byte >> 4], kHex[byte & 0x0F]};
        } else {
            out.push_back(c);
        }
    }
    return out + '"';
}

std::string studentExport(const StudentSummary& student, const std::vector<LevelReached>& levels,
                          const std::string& exportedBy, std::int64_t now) {
    const auto time = [](const std::optional<std::int64_t>& seconds) {
        return seconds ? jsonString(utcTime(*seconds)) : std::string("null");
    };
    std::string json = "{\n";
    json += "  \"name\": " + jsonString(student.name) + ",\n";
    json += "  \"userName\": " + jsonString(student.userKey) + ",\n";
    json += "  \"class\": " + (student.className.empty() ? "null" : jsonString(student.className)) +
            ",\n";
    json += "  \"studentList\": {\"lastImported\": " + time(student.listedAt) +
            ", \"schoolPassword\": \"kept only as an Argon2id hash, which is not exported\"},\n";
    if (student.played) {
        json += "  \"gameAccount\": {\"levelReached\": " + std::to_string(student.level) +
                ", \"lastSeen\": " + time(student.lastSeen) + "},\n";
    } else {
        json += "  \"gameAccount\": null,\n";
    }
    json += "  \"levelsReached\": [";
    for (std::size_t i = 0; i < levels.size(); ++i) {
        json += std::string(i ? "," : "") + "\n    {\"level\": " + std::to_string(levels[i].level) +
                ", \"reached\": " + jsonString(utcTime(levels[i].reachedAt)) + "}";
    }
    json += levels.empty() ? "],\n" : "\n  ],\n";
    json += "  \"exported\": {\"at\": " + jsonString(utcTime(now)) +
            ", \"by\": " + jsonString(exportedBy) + "}\n}\n";
    return json;
}

} // namespace dovrix::server::console
