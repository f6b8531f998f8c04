#pragma once
// The load tools' last check: after the server has stopped, its database must hold for every
// account the highest level the tool sent.

#include "account_store.h"

#include <string>
#include <vector>

namespace dovrix::bench {

// Accounts "player0", "player1", ... whose stored level differs from the highest sent to
// them. The server must have stopped.
inline int lostUpdates(const std::string& database, const std::vector<int>& highest) {
    server::AccountStore store(database);
    int lost = 0;
    for (std::size_t a = 0; a < highest.size(); ++a) {
        const auto account = store.findAccount("player" + std::to_string(a));
        lost += account && account->level == highest[a] ? 0 : 1;
    }
    return lost;
}

} // namespace dovrix::bench
