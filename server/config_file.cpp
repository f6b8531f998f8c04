#include "config_file.h"

#include <fstream>

namespace dovrix::server {

namespace {

std::string trimmed(const std::string& text) {
    const auto first = text.find_first_not_of(" \t\r");
    if (first == std::string::npos) {
        return {};
    }
    return text.substr(first, text.find_last_not_of(" \t\r") - first + 1);
}

Expected<std::vector<std::string>> readConfigFile(const std::string& path) {
    std::ifstream file(path);
    if (!file) {
        return Error{"cannot read " + path};
    }
    std::vector<std::string> options;
    std::string line;
    for (int number = 1; std::getline(file, line); ++number) {
        // A '#' at the start of a line or after a blank starts a comment.
        for (std::size_t i = 0; i < line.size(); ++i) {
            if (line[i] == '#' && (i == 0 || line[i - 1] == ' ' || line[i - 1] == '\t')) {
                line.resize(i);
                break;
            }
        }
        line = trimmed(line);
        if (line.empty()) {
            continue;
        }
        const auto equals = line.find('=');
        const std::string name = trimmed(line.substr(0, equals));
        const auto where = path + ":" + std::to_string(number) + ": ";
        if (name.empty() || name.find_first_of(" \t") != std::string::npos ||
            name.starts_with("-")) {
            return Error{where + "expected \"name = value\" or a name alone"};
        }
        if (name == "config") {
            return Error{where + "a configuration file cannot name another"};
        }
        if (name == "help" || name == "version") {
            return Error{where + name + " is no setting"};
        }
        options.push_back("--" + name);
        if (equals != std::string::npos) {
            options.push_back(trimmed(line.substr(equals + 1)));
        }
    }
    return options;
}

} // namespace

Expected<std::vector<std::string>> expandConfigFiles(const std::vector<std::string>& arguments) {
    std::vector<std::string> expanded;
    for (std::size_t i = 0; i < arguments.size(); ++i) {
        if (arguments[i] != "--config") {
            expanded.push_back(arguments[i]);
            continue;
        }
        if (i + 1 >= arguments.size()) {
            return Error{"--config needs a file"};
        }
        const auto options = readConfigFile(arguments[++i]);
        if (!options) {
            return Error{options.error()};
        }
        expanded.insert(expanded.end(), options->begin(), options->end());
    }
    return expanded;
}

} // namespace dovrix::server
