#pragma once
// The school's console: pages for teachers and the school's Dovrix administrator under the
// console's path, beside the game's protocol. It answers only when switched on, only to the
// console-from ranges and only once a teacher exists; everywhere else it is not there, and
// the reply is the server's own to an unknown path.
//
// Every request is authorised: a signed-in teacher sees the classes they teach (an
// administrator every class), and a student of another class is answered exactly as a
// student who does not exist. Every change is a POST that carries the session's form token
// and comes from the console's own origin.

#include "account_service.h"
#include "console_http.h"
#include "pages.h"
#include "school_store.h"
#include "server_options.h"

#include <functional>
#include <optional>
#include <string>

namespace dovrix::server::console {

class Console {
public:
    using LogLine = std::function<void(const std::string&)>;

    // The game's service lends its password hasher (and its limits) and forgets a student's
    // remembered password when it changes.
    Console(SchoolStore& store, AccountService& game, const ServerOptions& options, LogLine log);

    // Whether the path (percent-decoded, from '/') is the console's.
    bool owns(std::string_view path) const;
    // The reply to a request for one of its paths; nullopt when the console is not there.
    std::optional<ConsoleReply> handle(const ConsoleRequest& request);

private:
    struct Context;
    ConsoleReply route(const ConsoleRequest& request, Context& context);
    ConsoleReply signIn(const ConsoleRequest& request, Context& context);
    ConsoleReply signOut(Context& context);
    ConsoleReply changeOwnPassword(const ConsoleRequest& request, Context& context);
    ConsoleReply classPage(const std::string& classKey, const ConsoleRequest& request,
                           Context& context);
    ConsoleReply classCsv(const std::string& classKey, Context& context);
    ConsoleReply schoolCsv(Context& context);
    ConsoleReply studentRoute(const ConsoleRequest& request, Context& context);
    ConsoleReply parsPage(Context& context);
    ConsoleReply teachersPage(Context& context);

    ConsoleReply page(std::string_view name, PageData data, Context& context, int status = 200);
    ConsoleReply message(Context& context, int status, const std::string& heading,
                         const std::string& text, const std::string& link = {},
                         const std::string& linkText = {});
    ConsoleReply notFound(Context& context);
    ConsoleReply redirect(const std::string& to);
    void log(const std::string& line);
    bool sameOrigin(const ConsoleRequest& request) const;

    SchoolStore& store_;
    AccountService& game_;
    ServerOptions options_;
    std::string root_;
    LogLine log_;
    PasswordGate signIns_;
};

} // namespace dovrix::server::console
