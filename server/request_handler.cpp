#include "request_handler.h"

#include "account_protocol.h"

#include <algorithm>
#include <exception>

namespace dovrix::server {

namespace {

int hexValue(char c) {
    if (c >= '0' && c <= '9') {
        return c - '0';
    }
    if (c >= 'a' && c <= 'f') {
        return c - 'a' + 10;
    }
    if (c >= 'A' && c <= 'F') {
        return c - 'A' + 10;
    }
    return -1;
}

} // namespace

std::string operationOf(std::string_view query) {
    while (!query.empty()) {
        const std::size_t amp = query.find('&');
        const std::string_view part = query.substr(0, amp);
        query = amp == std::string_view::npos ? std::string_view{} : query.substr(amp + 1);
        const std::size_t equals = part.find('=');
        if (equals == std::string_view::npos ||
            percentDecoded(part.substr(0, equals), true) != protocol::kOperationParameter) {
            continue;
        }
        return percentDecoded(part.substr(equals + 1), true).value_or("");
    }
    return {};
}

std::string escapedForLog(std::string_view text) {
    static constexpr char kHex[] = "0123456789ABCDEF";
    std::string out;
    out.reserve(text.size());
    for (char c : text) {
        const auto byte = static_cast<unsigned char>(c);
        if (c == '\\') {
            out += "\\\\";
        } else if (c == '\n') {
            out += "\\n";
        } else if (c == '\r') {
            out += "\\r";
        } else if (c == '\t') {
            out += "\\t";
        } else if (byte < 0x20 || byte >= 0x7F) {
            out += "\\x";
            out.push_back(kHex[byte >> 4]);
            out.push_back(kHex[byte & 0x0F]);
        } else {
            out.push_back(c);
        }
    }
    return out;
}

std::optional<std::string> percentDecoded(std::string_view text, bool plusIsBlank) {
    std::string out;
    out.reserve(text.size());
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (text[i] == '%') {
            if (i + 2 >= text.size()) {
                return std::nullopt;
            }
            const int high = hexValue(text[i + 1]);
            const int low = hexValue(text[i + 2]);
            if (high < 0 || low < 0) {
                return std::nullopt;
            }
            out.push_back(static_cast<char>(high * 16 + low));
            i += 2;
        } else if (text[i] == '+' && plusIsBlank) {
            out.push_back(' ');
        } else {
            out.push_back(text[i]);
        }
    }
    return out;
}

std::optional<QueryParameters> parseQuery(std::string_view query) {
    QueryParameters parameters;
    while (!query.empty()) {
        const std::size_t amp = query.find('&');
        const std::string_view part = query.substr(0, amp);
        query = amp == std::string_view::npos ? std::string_view{} : query.substr(amp + 1);
        const std::size_t equals = part.find('=');
        if (part.empty() || equals == std::string_view::npos ||
            part.find('=', equals + 1) != std::string_view::npos ||
            (amp != std::string_view::npos && query.empty())) {
            return std::nullopt;
        }
        auto name = percentDecoded(part.substr(0, equals), true);
        auto value = percentDecoded(part.substr(equals + 1), true);
        if (!name || !value || !parameters.emplace(std::move(*name), std::move(*value)).second) {
            return std::nullopt;
        }
    }
    return parameters;
}

namespace {

ServiceSettings serviceSettings(const ServerOptions& options) {
    ServiceSettings settings = options.service;
    // Password hashes, running or waiting, hold at most half the request threads; the other
    // half stay free for the players whose password is remembered.
    settings.waitingHashes =
        std::max<std::ptrdiff_t>(1, options.threads / 2 - settings.parallelHashes);
    return settings;
}

} // namespace

RequestHandler::RequestHandler(AccountStore& store, const ServerOptions& options, LogLine log)
    : options_(options), service_(store, serviceSettings(options)), log_(std::move(log)) {}

Answer RequestHandler::handle(const HttpRequest& request, Clock::time_point now) {
    // What the log says of the request, filled in as far as the request could be read.
    RequestSummary summary{std::string(request.peer), {}, {}};
    Answer reply;
    try {
        reply = answer(request, now, summary);
    } catch (const std::exception& error) {
        // A store error (the database busy past its wait, a full disk) or memory running out.
        log_("dovrix-account-server: " + escapedForLog(error.what()));
        reply = {500, summary.path == options_.parListPath
                          ? std::string(kParFailure)
                          : std::string(accountFailureText(summary.operation))};
    }
    logRequest(request, summary, reply);
    return reply;
}

Answer RequestHandler::refuse(const HttpRequest& request, int status) {
    RequestSummary summary{std::string(request.peer), {}, {}};
    Answer reply;
    if (const auto failure = failureFor(request.target, summary, reply)) {
        reply = {status, *failure};
    }
    logRequest(request, summary, reply);
    return reply;
}

void RequestHandler::logRequest(const HttpRequest& request, const RequestSummary& summary,
                                const Answer& reply) const {
    if (options_.logRequests) {
        // The path and the operation only, never the query: it holds passwords.
        log_(escapedForLog(summary.client) + ' ' + escapedForLog(request.method) + " /" +
             escapedForLog(summary.path) + " o=" + escapedForLog(summary.operation) + ' ' +
             std::to_string(reply.status));
    }
}

std::optional<std::string>
RequestHandler::failureFor(std::string_view target, RequestSummary& summary, Answer& reply) const {
    const std::size_t question = target.find('?');
    const auto path = percentDecoded(target.substr(0, question), false);
    if (!path || path->empty() || path->front() != '/') {
        reply = {400, ""};
        return std::nullopt;
    }
    summary.path = path->substr(1);
    if (summary.path == options_.parListPath) {
        return std::string(kParFailure);
    }
    if (summary.path != options_.accountPath) {
        reply = {404, ""};
        return std::nullopt;
    }
    summary.operation =
        operationOf(question == std::string_view::npos ? "" : target.substr(question + 1));
    return std::string(accountFailureText(summary.operation));
}

Answer RequestHandler::answer(const HttpRequest& request, Clock::time_point now,
                              RequestSummary& summary) {
    Answer reply;
    const auto failure = failureFor(request.target, summary, reply);
    if (!failure) {
        return reply;
    }
    const std::string realIp(request.realIp.value_or(""));
    const auto address =
        clientAddress(request.peer, request.realIp ? &realIp : nullptr, request.throughFrontEnd);
    if (!address) {
        return {400, *failure};
    }
    summary.client = *address;
    // Only GET acts: HEAD must not run an operation whose reply it would not even carry.
    if (request.method != "GET") {
        return {405, *failure};
    }
    const std::size_t question = request.target.find('?');
    const auto parameters =
        parseQuery(question == std::string_view::npos ? "" : request.target.substr(question + 1));
    if (!parameters) {
        return {400, *failure};
    }
    const Client client{*address, limitKey(*address), options_.trusted.contains(*address)};
    return summary.path == options_.accountPath ? service_.account(*parameters, client, now)
                                                : service_.parList(*parameters, client, now);
}

} // namespace dovrix::server
