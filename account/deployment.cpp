#include "deployment.h"

#include "deployment_defaults.h"

namespace dovrix {

namespace {

// A base URL without its final slash would glue the path onto the host or the last path
// segment; the slash is added rather than sending requests nowhere.
std::string withFinalSlash(std::string url) {
    if (!url.empty() && url.back() != '/') {
        url.push_back('/');
    }
    return url;
}

} // namespace

Deployment Deployment::fromEnvironment(const Environment& environment) {
    Deployment deployment;
    deployment.serverUrl = std::string(builtin::kServerUrl);
    deployment.accountPath = std::string(builtin::kAccountPath);
    deployment.parListPath = std::string(builtin::kParListPath);
    deployment.progressShare = std::string(builtin::kProgressShare);
    deployment.districtDomain = std::string(builtin::kDistrictDomain);
    deployment.homeDrive = std::string(builtin::kHomeDrive);

    // An empty override counts as none: an unset-but-exported variable must not switch the
    // game to an empty server address.
    if (const std::string url = environment.variable("DOVRIX_SERVER_URL"); !url.empty()) {
        deployment.serverUrl = url;
    }
    if (const std::string share = environment.variable("DOVRIX_PROGRESS_SHARE"); !share.empty()) {
        deployment.progressShare = share;
    }
    deployment.serverUrl = withFinalSlash(deployment.serverUrl);
    deployment.caFile = environment.variable("DOVRIX_CA_FILE");
    return deployment;
}

} // namespace dovrix
