#include "student_import.h"

#include "school_names.h"
#include "text_case.h"
#include "user_names.h"

#include <map>

namespace dovrix::server {

namespace {

std::string_view trimmed(std::string_view text) {
    while (!text.empty() && (text.front() == ' ' || text.front() == '\t')) {
        text.remove_prefix(1);
    }
    while (!text.empty() && (text.back() == ' ' || text.back() == '\t')) {
        text.remove_suffix(1);
    }
    return text;
}

// Splits one line into fields; false on an unterminated quote.
bool splitFields(std::string_view line, std::vector<std::string>& fields) {
    fields.clear();
    std::size_t i = 0;
    while (true) {
        // Blanks before a quoted field do not belong to it.
        std::size_t start = i;
        while (start < line.size() && (line[start] == ' ' || line[start] == '\t')) {
            ++start;
        }
        std::string field;
        if (start < line.size() && line[start] == '"') {
            i = start + 1;
            while (true) {
                if (i >= line.size()) {
                    return false;
                }
                if (line[i] == '"') {
                    if (i + 1 < line.size() && line[i + 1] == '"') {
                        field.push_back('"');
                        i += 2;
                        continue;
                    }
                    ++i;
                    break;
                }
                field.push_back(line[i++]);
            }
            const std::size_t comma = line.find(',', i);
            if (!trimmed(line.substr(i, comma == std::string_view::npos ? line.npos : comma - i))
                     .empty()) {
                return false; // text after the closing quote
            }
            fields.push_back(field);
            if (comma == std::string_view::npos) {
                return true;
            }
            i = comma + 1;
        } else {
            const std::size_t comma = line.find(',', i);
            fields.emplace_back(
                trimmed(line.substr(i, comma == std::string_view::npos ? line.npos : comma - i)));
            if (comma == std::string_view::npos) {
                return true;
            }
            i = comma + 1;
        }
    }
}

} // namespace

namespace {

// Why no student could log in with this line; empty when one can.
std::string lineFault(const std::vector<std::string>& fields) {
    if (fields.size() < 2 || fields.size() > 3 || fields[0].empty() || fields[1].empty()) {
        return "expected a user name, a password and an optional class";
    }
    if (fields.size() == 3 && !fields[2].empty() && !isAcceptableClassName(fields[2])) {
        return "a class name must be 1 to " + std::to_string(kLongestClassName) +
               " characters of UTF-8 without commas";
    }
    if (!isAcceptableText(fields[0], 1, kLongestSchoolName)) {
        return "a user name must be 1 to " + std::to_string(kLongestSchoolName) +
               " characters of UTF-8";
    }
    if (!isSendablePassword(fields[1])) {
        return "the login window cannot send this password: it takes 1 to " +
               std::to_string(kLongestTypedText) +
               " characters without control characters or blanks at either end";
    }
    return {};
}

} // namespace

bool isSendablePassword(std::string_view password) {
    return isAcceptableText(password, 1, kLongestTypedText) && password.front() != ' ' &&
           password.back() != ' ';
}

Expected<std::vector<StudentLine>> readStudentList(std::string_view text) {
    std::vector<StudentLine> students;
    std::vector<std::string> fields;
    std::map<std::string, int> lineOfName;
    std::string faults;
    int lineNumber = 0;
    while (!text.empty()) {
        const std::size_t end = text.find('\n');
        std::string_view line = text.substr(0, end);
        text = end == std::string_view::npos ? std::string_view{} : text.substr(end + 1);
        ++lineNumber;
        if (!line.empty() && line.back() == '\r') {
            line.remove_suffix(1);
        }
        if (lineNumber == 1 && line.starts_with("\xEF\xBB\xBF")) {
            line.remove_prefix(3); // a byte-order mark from a spreadsheet program
        }
        if (trimmed(line).empty() || trimmed(line).front() == '#') {
            continue;
        }
        std::string fault =
            splitFields(line, fields) ? lineFault(fields) : "unbalanced double quote";
        if (fault.empty() && students.empty() && faults.empty() &&
            toLowerCase(fields[0]) == "username" && toLowerCase(fields[1]) == "password" &&
            (fields.size() == 2 || toLowerCase(fields[2]) == "class")) {
            continue;
        }
        if (fault.empty()) {
            const auto [earlier, added] = lineOfName.emplace(userKey(fields[0]), lineNumber);
            if (!added) {
                fault = "line " + std::to_string(earlier->second) + " gives this name already";
            }
        }
        if (!fault.empty()) {
            faults += (faults.empty() ? "" : "\n") + ("line " + std::to_string(lineNumber)) + ": " +
                      fault;
            continue;
        }
        students.push_back({fields[0], fields[1], fields.size() == 3 ? fields[2] : "", lineNumber});
    }
    if (!faults.empty()) {
        return Error{faults};
    }
    return students;
}

} // namespace dovrix::server
