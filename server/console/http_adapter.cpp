#include "http_adapter.h"

#include "request_handler.h"

#include <algorithm>

namespace dovrix::server::console {

Parameters parametersOf(std::string_view text) {
    Parameters parameters;
    while (!text.empty()) {
        const std::size_t amp = text.find('&');
        const std::string_view part = text.substr(0, amp);
        text = amp == std::string_view::npos ? std::string_view{} : text.substr(amp + 1);
        const std::size_t equals = part.find('=');
        if (equals == std::string_view::npos) {
            continue;
        }
        auto name = percentDecoded(part.substr(0, equals), true);
        auto value = percentDecoded(part.substr(equals + 1), true);
        if (name && value) {
            parameters.emplace(std::move(*name), std::move(*value));
        }
    }
    return parameters;
}

ConsoleRequest consoleRequestOf(const httplib::Request& request, const std::string& path,
                                const std::string& root, const Client& client, bool secure) {
    ConsoleRequest console;
    console.method = request.method;
    console.path = path.substr(root.size());
    const std::size_t question = request.target.find('?');
    std::string_view raw = std::string_view(request.target).substr(0, question);
    raw.remove_prefix(std::min(raw.size(), root.size() + 1));
    while (!raw.empty()) {
        const std::size_t slash = raw.find('/');
        console.segments.push_back(percentDecoded(raw.substr(0, slash), false).value_or(""));
        raw = slash == std::string_view::npos ? std::string_view{} : raw.substr(slash + 1);
    }
    if (question != std::string::npos) {
        console.query = parametersOf(std::string_view(request.target).substr(question + 1));
    }
    if (request.method == "POST" && request.get_header_value("Content-Type")
                                            .starts_with("application/x-www-form-urlencoded")) {
        console.form = parametersOf(request.body);
    }
    console.cookie = request.get_header_value("Cookie");
    console.origin = request.get_header_value("Origin");
    console.host = request.get_header_value("Host");
    console.fetchSite = request.get_header_value("Sec-Fetch-Site");
    console.secure = secure;
    console.client = client;
    return console;
}

void writeConsoleReply(ConsoleReply reply, httplib::Response& response) {
    response.status = reply.status;
    for (const auto& [name, value] : reply.headers) {
        response.set_header(name.c_str(), value);
    }
    if (!reply.stream) {
        response.set_content(reply.body, reply.contentType.c_str());
        return;
    }
    response.set_chunked_content_provider(
        reply.contentType, [stream = std::move(reply.stream)](std::size_t, httplib::DataSink& sink) {
            stream([&sink](std::string_view piece) { return sink.write(piece.data(), piece.size()); });
            sink.done();
            return true;
        });
}

} // namespace dovrix::server::console
