// Fuzzes the reading of numbers in the account server's replies: the reply body is the input,
// after one byte that picks the request it answers. A login's level must leave play on a
// level of the catalogue; a par list may lower pars but never leave a level string unreadable
// or a par below 1.

#include "account_protocol.h"
#include "account_world.h"
#include "fuzz_check.h"
#include "number_text.h"

#include <array>
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

using namespace dovrix;
using fuzz::require;

namespace {

// A par as a level string must hold it: digits only, and a value that fits 16 bits.
bool isWrittenPar(std::string_view text) {
    return !text.empty() && text.find_first_not_of("0123456789") == std::string_view::npos &&
           fieldValue(text).has_value();
}

void checkParList(fuzz::AccountWorld& world) {
    const std::vector<std::string_view>& catalogue = builtInLevelStrings();
    LoadLevelTable(world.state);
    world.accounts.DownloadPars();
    for (int level = 1; level <= world.state.levelCount; ++level) {
        const std::string_view now = world.state.levelStrings[static_cast<std::size_t>(level)];
        const std::string_view before = catalogue[static_cast<std::size_t>(level - 1)];
        if (now == before) {
            continue;
        }
        const std::size_t comma = now.find(',');
        require(comma != std::string_view::npos &&
                    now.substr(comma) == before.substr(before.find(',')),
                "a par list changes nothing but pars");
        const std::string_view par = now.substr(0, comma);
        require(isWrittenPar(par) && *fieldValue(par) >= 1 &&
                    *fieldValue(par) < *fieldValue(before.substr(0, before.find(','))),
                "a par list only lowers pars, to a written whole number of at least 1");
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, std::size_t size) {
    if (size == 0) {
        return 0;
    }
    static constexpr std::array<std::string_view, 3> kLogins = {protocol::kLoginOperation,
                                                                protocol::kStudentLoginOperation,
                                                                protocol::kSchoolLoginOperation};
    const uint8_t request = data[0];
    const bool atSchool = (request & 0x80) != 0;
    fuzz::AccountWorld world(atSchool);
    world.http.reply = std::string(reinterpret_cast<const char*>(data + 1), size - 1);

    switch (request & 0x7F) {
    case 0:
        checkParList(world);
        break;
    case 1:
        world.accounts.UpdateAccount();
        break;
    default:
        world.accounts.LoginAccount(kLogins[(request & 0x7F) % kLogins.size()]);
        require(fuzz::levelsArePlayable(world.state), "a login's reply leaves play on a level");
        break;
    }
    return 0;
}
