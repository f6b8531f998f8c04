#pragma once
// The real account server for a test program, with a fresh database and the students listed
// in the file DOVRIX_TEST_STUDENTS names, if any (lines "user,password", as import-students
// reads them). On Debian it runs in this process on a loopback port, one for each object; in
// the Windows build under Wine it is the Debian program, which tests/windows/wine-run starts
// (and gives the students) on a loopback port for the whole test program.

#ifdef _WIN32
#include <cstdlib>
#include <stdexcept>
#include <string>
#else
#include "command_line.h"
#include "running_account_server.h"
#include "temp_folder.h"

#include <memory>
#endif

namespace dovrix::testing {

#ifdef _WIN32

class TestAccountServer {
public:
    TestAccountServer() {
        const char* url = std::getenv("DOVRIX_TEST_SERVER_URL");
        if (url == nullptr) {
            throw std::runtime_error("no account server: run the test under wine-run");
        }
        url_ = url;
    }
    std::string url() const { return url_; }
    // The port of "http://127.0.0.1:<port>/".
    int port() const { return std::stoi(url_.substr(url_.rfind(':') + 1)); }

private:
    std::string url_;
};

#else

class TestAccountServer {
public:
    TestAccountServer() {
        const std::string database = folder_.file("accounts.sqlite");
        if (const char* students = std::getenv("DOVRIX_TEST_STUDENTS")) {
            if (!server::importStudentFile(students, database).ok()) {
                throw std::runtime_error(std::string("cannot import the students of ") + students);
            }
        }
        server_ = std::make_unique<RunningAccountServer>(serverOptions(database));
    }
    std::string url() const { return server_->url(); }
    int port() const { return server_->port(); }

private:
    TempFolder folder_;
    std::unique_ptr<RunningAccountServer> server_;
};

#endif

} // namespace dovrix::testing
