#pragma once
// The district's student list: a CSV file with a user name, a password and, if the school
// uses the console, the student's class per line.

#include "expected.h"

#include <string>
#include <string_view>
#include <vector>

namespace dovrix::server {

struct StudentLine {
    std::string userName;
    std::string password;
    std::string className; // empty: in no class
    int line = 0;
};

// Reads the list. Fields are separated by commas and may be quoted with double quotes (a
// doubled quote inside stands for one); blanks around a field are dropped, as the game drops
// them from what a player types. Empty lines and lines starting with '#' are skipped, and so
// is a first line "username,password" or "username,password,class" (any case). Every line
// that no student could log in with fails the whole list, and the error names each such
// line: not two non-empty fields and an optional third, a class name that is not one
// (school_names.h), a user name that is not valid UTF-8 of at most 64 UTF-16 code units, a name that
// an earlier line gives already (in any case), or a password the login box cannot send
// (control characters, invalid UTF-8, over 25 UTF-16 code units, blanks at either end).
Expected<std::vector<StudentLine>> readStudentList(std::string_view text);

// Whether the login window can send this school password: 1 to 25 UTF-16 code units of valid
// UTF-8, without control characters or blanks at either end.
bool isSendablePassword(std::string_view password);

} // namespace dovrix::server
