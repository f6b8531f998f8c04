#include "deployment.h"

#include "deployment_defaults.h"

#include <algorithm>

namespace dovrix {

namespace {

constexpr std::string_view kEnvironmentSource = "environment variable";

// A base URL without its final slash would glue the path onto the host or the last path
// segment; the slash is added rather than sending requests nowhere.
std::string withFinalSlash(std::string url) {
    if (!url.empty() && url.back() != '/') {
        url.push_back('/');
    }
    return url;
}

bool startsWithIgnoringCase(std::string_view text, std::string_view prefix) {
    return text.size() >= prefix.size() &&
           std::equal(prefix.begin(), prefix.end(), text.begin(), [](char a, char b) {
               return a == (b >= 'A' && b <= 'Z' ? static_cast<char>(b - 'A' + 'a') : b);
           });
}

// One setting as the sources give it: the variable if it has a value, else the machine's.
struct Candidate {
    std::string value;
    std::string name;
    std::string source;
    bool given() const { return !value.empty(); }
};

class Resolver {
public:
    Resolver(const Environment& environment, const MachineSettings& machine)
        : environment_(environment), machine_(machine) {}

    Candidate pick(const char* variable, const char* setting) const {
        if (variable != nullptr) {
            if (std::string value = environment_.variable(variable); !value.empty()) {
                return {std::move(value), variable, std::string(kEnvironmentSource)};
            }
        }
        const auto found = machine_.values.find(std::string_view(setting));
        if (found != machine_.values.end() && !found->second.empty()) {
            return {found->second, setting, "machine setting, " + machine_.location};
        }
        return {};
    }

private:
    const Environment& environment_;
    const MachineSettings& machine_;
};

} // namespace

Deployment Deployment::builtIn() {
    Deployment deployment;
    deployment.serverUrl = withFinalSlash(std::string(builtin::kServerUrl));
    deployment.accountPath = std::string(builtin::kAccountPath);
    deployment.parListPath = std::string(builtin::kParListPath);
    deployment.progressShare = std::string(builtin::kProgressShare);
    deployment.districtDomain = std::string(builtin::kDistrictDomain);
    deployment.homeDrive = std::string(builtin::kHomeDrive);
    return deployment;
}

Deployment Deployment::resolve(const Environment& environment, const MachineSettings& machine,
                               const SettingChecks& checks) {
    Deployment deployment = builtIn();
    const Resolver sources(environment, machine);
    // A candidate that is given replaces the built-in value: by itself when usable, by none
    // (and a report) when not.
    const auto apply = [&](std::string& target, const Candidate& candidate,
                           const std::optional<std::string>& problem) {
        if (!candidate.given()) {
            return;
        }
        target = problem ? std::string() : candidate.value;
        if (problem) {
            deployment.problems.push_back(
                {candidate.name, candidate.source, candidate.value, *problem});
        }
    };

    const Candidate server = sources.pick("DOVRIX_SERVER_URL", "ServerUrl");
    apply(deployment.serverUrl, server,
          server.given() ? checks.serverUrlProblem(server.value) : std::nullopt);
    deployment.serverUrl = withFinalSlash(deployment.serverUrl);

    const Candidate share = sources.pick("DOVRIX_PROGRESS_SHARE", "ProgressShare");
    apply(deployment.progressShare, share,
          share.given() ? checks.folderProblem(share.value) : std::nullopt);

    const Candidate domain = sources.pick(nullptr, "DistrictDomain");
    apply(deployment.districtDomain, domain, std::nullopt);
    const Candidate drive = sources.pick(nullptr, "HomeDrive");
    apply(deployment.homeDrive, drive, std::nullopt);

    const Candidate authorities = sources.pick("DOVRIX_CA_FILE", "CaFile");
    const auto authorityProblem =
        authorities.given() ? checks.authorityFileProblem(authorities.value) : std::nullopt;
    apply(deployment.caFile, authorities, authorityProblem);
    // Without the authorities it was told to trust, an https server is not reached at all:
    // trusting the system's alone instead would be another choice than the one made.
    if (authorityProblem && startsWithIgnoringCase(deployment.serverUrl, "https://")) {
        deployment.serverUrl.clear();
    }
    return deployment;
}

namespace {

constexpr std::string_view kNoProgressFiles =
    "Dovrix keeps no progress files on the school's share.";
constexpr std::string_view kTellTheAdministrator =
    "Please tell the person who looks after this computer.";

std::vector<std::string> consequences(const Deployment& deployment) {
    std::vector<std::string> lines;
    if (deployment.serverUrl.empty()) {
        lines.push_back("Dovrix plays without the account server: no online accounts and no "
                        "shared pars.");
    }
    if (deployment.progressShare.empty()) {
        lines.emplace_back(kNoProgressFiles);
    }
    return lines;
}

std::string describe(const SettingProblem& problem) {
    return problem.name + " \"" + problem.value + "\" (" + problem.source + "): " + problem.reason +
           ".";
}

} // namespace

MessageBox settingsReport(const Deployment& deployment) {
    MessageBox box{.title = "Dovrix -- Settings Not Used",
                   .lines = {"Dovrix cannot use these settings of this computer:", ""},
                   .icon = MessageIcon::Exclamation};
    for (const SettingProblem& problem : deployment.problems) {
        box.lines.push_back(describe(problem));
    }
    box.lines.emplace_back();
    for (std::string& line : consequences(deployment)) {
        box.lines.push_back(std::move(line));
    }
    box.lines.emplace_back(kTellTheAdministrator);
    return box;
}

std::string settingsReportForLog(const Deployment& deployment) {
    std::string text;
    for (const SettingProblem& problem : deployment.problems) {
        text += "dovrix: setting not used: " + describe(problem) + "\n";
    }
    for (const std::string& line : consequences(deployment)) {
        text += "dovrix: " + line + "\n";
    }
    return text;
}

namespace {

constexpr std::string_view kNoShareSet =
    "No progress share is set for this computer (ProgressShare).";

} // namespace

MessageBox missingShareReport() {
    return MessageBox{.title = "Dovrix -- No Progress Share",
                      .lines = {std::string(kNoShareSet), "", std::string(kNoProgressFiles),
                                std::string(kTellTheAdministrator)},
                      .icon = MessageIcon::Exclamation};
}

std::string missingShareReportForLog() {
    return "dovrix: " + std::string(kNoShareSet) + "\ndovrix: " + std::string(kNoProgressFiles) +
           "\n";
}

} // namespace dovrix
