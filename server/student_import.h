#pragma once
// The district's student list: a CSV file with a user name and a password per line.

#include "expected.h"

#include <string>
#include <string_view>
#include <vector>

namespace dovrix::server {

struct StudentLine {
    std::string userName;
    std::string password;
};

// Reads the list. Fields are separated by commas and may be quoted with double quotes (a
// doubled quote inside stands for one); blanks around a field are dropped, as the game drops
// them from what a player types. Empty lines and lines starting with '#' are skipped, and so
// is a first line "username,password" (any case). Any other line without exactly two
// non-empty fields, or with a user name that is not valid UTF-8 of at most 64 UTF-16 code
// units, fails the whole list, naming the line.
Expected<std::vector<StudentLine>> readStudentList(std::string_view text);

} // namespace dovrix::server
