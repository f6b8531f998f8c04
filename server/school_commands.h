#pragma once
// The commands that keep the school's records from the command line: add-teacher,
// remove-teacher, list-teachers and purge. Each writes what it did on `out` and returns the
// program's exit status; what went wrong goes to `errors`.

#include "command_line.h"

#include <iosfwd>

namespace dovrix::server {

// add-teacher: the password is the first line of `passwordInput` (standard input: when it is
// a terminal, asked for without echo).
int addTeacher(const CommandLine& line, std::istream& passwordInput, std::ostream& out,
               std::ostream& errors);
int removeTeacher(const CommandLine& line, std::ostream& out, std::ostream& errors);
int listTeachers(const CommandLine& line, std::ostream& out);
// purge [--dry-run]: what retention deletes now, named one per line.
int purgeNow(const CommandLine& line, std::ostream& out);

} // namespace dovrix::server
