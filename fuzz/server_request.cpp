// Fuzzes the account server's request handling in-process: the method, the target as it
// arrives (path and query before percent-decoding), the peer's address and X-Real-IP, through
// the routes, the query parser and the service with its throttles, on a SQLite store in
// memory with the compiled-in catalogue and optima. The input: one byte that picks the method
// (bits 0-1), the peer (bits 2-3), whether X-Real-IP is sent (bit 4) and whether the HTTP layer
// could not read the request whole (bit 5); the target up to a newline; the X-Real-IP value.
//
// Whatever the request, a game must never read its reply as something the server did not
// do: a refusal carries the failure text of the operation it names, a login's level is a level
// of the catalogue, and the par list never goes below a proven optimum.

#include "account_protocol.h"
#include "catalogue.h"
#include "fuzz_check.h"
#include "number_text.h"
#include "request_handler.h"

#include <sodium.h>

#include <array>
#include <chrono>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>

// Argon2id at libsodium's smallest cost for every hash made here (the harness's accounts and
// students, and every account an input creates): the same code and encoding, microseconds
// instead of a quarter of a second, so the fuzzer reaches past the first create. Verifying
// reads the cost from the stored hash.
extern "C" int crypto_pwhash_str(char out[crypto_pwhash_STRBYTES], const char* const passwd,
                                 unsigned long long passwdlen, unsigned long long, std::size_t) {
    return crypto_pwhash_argon2id_str(out, passwd, passwdlen, crypto_pwhash_argon2id_OPSLIMIT_MIN,
                                      crypto_pwhash_argon2id_MEMLIMIT_MIN);
}

namespace {

using namespace dovrix;
using namespace dovrix::server;
using fuzz::require;

constexpr std::array<std::string_view, 4> kMethods = {"GET", "HEAD", "POST", "get"};
// The front end's socket (nginx in front), the school network, the internet, IPv6 loopback.
constexpr std::array<std::string_view, 4> kPeers = {"local", "10.20.30.40", "203.0.113.9", "::1"};
// A fresh store every so many inputs keeps it small and the run fast.
constexpr int kInputsPerStore = 20000;

struct Server {
    Server() {
        options.trusted = AddressRanges::parse("10.0.0.0/8").value();
        options.logRequests = true;
        char hash[crypto_pwhash_STRBYTES];
        require(crypto_pwhash_str(hash, "kestrel", 7, 0, 0) == 0, "a student's hash is made");
        store.importStudents({{"pat.kim", hash, "", ""}}, false);
        handler = std::make_unique<RequestHandler>(store, options, [](const std::string& line) {
            for (char c : line) {
                require(static_cast<unsigned char>(c) >= 0x20 && c != 0x7F,
                        "a log line holds no control character");
            }
        });
        const auto created = handler->handle(
            {"GET", "/dovrix/account?o=create&u=pat&p=secret", "203.0.113.9", std::nullopt, false},
            now);
        require(created.body == protocol::kSuccessReply, "the harness's online account is created");
    }

    ServerOptions options;
    AccountStore store{":memory:"};
    std::unique_ptr<RequestHandler> handler;
    RequestHandler::Clock::time_point now{};
};

bool isLoginOperation(std::string_view operation) {
    return operation == protocol::kLoginOperation ||
           operation == protocol::kStudentLoginOperation ||
           operation == protocol::kSchoolLoginOperation;
}

// Whether the game that sent `operation` reads `body` as a failure.
bool readsAsFailure(std::string_view operation, std::string_view body) {
    if (operation == protocol::kUpdateOperation) {
        return body.empty() || body == protocol::kErrorUpdatingAccountReply;
    }
    if (isLoginOperation(operation)) {
        return body.empty() || body == protocol::kErrorCreatingAccountReply ||
               body == protocol::kInvalidCredentialsReply;
    }
    if (operation == protocol::kCreateOperation || operation == protocol::kDistrictCheckOperation) {
        return body.size() >= 4 && body != protocol::kSuccessReply &&
               body != protocol::kUsernameTakenReply;
    }
    return true;
}

// A login's level: digits only, from 1 to one past the last level.
bool isLevel(std::string_view body) {
    if (body.empty() || body.size() > 3 ||
        body.find_first_not_of("0123456789") != std::string_view::npos) {
        return false;
    }
    const int level = std::stoi(std::string(body));
    return level >= 1 && level <= kCatalogueSize + 1;
}

void checkParList(std::string_view body) {
    const std::vector<std::string_view>& catalogue = builtInLevelStrings();
    std::size_t level = 0;
    while (!body.empty() || level == 0) {
        const std::size_t comma = body.find(',');
        const std::string_view entry = trimBlanks(body.substr(0, comma));
        body = comma == std::string_view::npos ? std::string_view{} : body.substr(comma + 1);
        ++level;
        require(level <= catalogue.size(), "the par list has one entry per level");
        const auto par = fieldValue(entry);
        const auto cataloguePar =
            fieldValue(catalogue[level - 1].substr(0, catalogue[level - 1].find(',')));
        const auto optimum = provenOptimum(static_cast<int>(level));
        require(par && *par >= 1 && *par <= *cataloguePar && (!optimum || *par >= *optimum),
                "a par is never above the catalogue's nor below the proven optimum");
    }
    require(level == catalogue.size(), "the par list has one entry per level");
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, std::size_t size) {
    static std::unique_ptr<Server> server;
    static int inputs = 0;
    if (size == 0) {
        return 0;
    }
    if (inputs++ % kInputsPerStore == 0) {
        require(initialisePasswordHashing(), "libsodium starts");
        server.reset();
        server = std::make_unique<Server>();
    }
    // Seconds pass between requests, so throttles fill and empty as they would.
    server->now += std::chrono::seconds(1);

    const std::string_view input(reinterpret_cast<const char*>(data + 1), size - 1);
    const std::size_t lineEnd = input.find('\n');
    const std::string_view target = input.substr(0, lineEnd);
    const std::string_view realIp =
        lineEnd == std::string_view::npos ? std::string_view{} : input.substr(lineEnd + 1);
    const HttpRequest request{kMethods[data[0] & 3], target, kPeers[(data[0] >> 2) & 3],
                              (data[0] & 0x10) != 0 ? std::optional(realIp) : std::nullopt,
                              ((data[0] >> 2) & 3) == 0};
    const bool unreadable = (data[0] & 0x20) != 0;
    const Answer reply = unreadable ? server->handler->refuse(request, 400)
                                    : server->handler->handle(request, server->now);

    const std::size_t question = target.find('?');
    const std::string_view path = target.substr(0, question);
    const std::string_view query =
        question == std::string_view::npos ? std::string_view{} : target.substr(question + 1);
    const bool done = reply.status >= 200 && reply.status < 300;
    if (request.method != "GET" || unreadable) {
        require(!done, "only a whole GET request acts");
    }
    if (percentDecoded(path, false) == "/dovrix/account") {
        const std::string operation = operationOf(query);
        if (!done) {
            require(readsAsFailure(operation, reply.body),
                    "a refused request's reply reads as a failure to its game");
        } else if (isLoginOperation(operation) && !readsAsFailure(operation, reply.body)) {
            require(isLevel(reply.body), "a login's reply is a level of the catalogue");
        }
    } else if (percentDecoded(path, false) == "/dovrix/pars" && done && query.empty()) {
        checkParList(reply.body);
    }
    return 0;
}
