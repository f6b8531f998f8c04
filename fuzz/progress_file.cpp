// Fuzzes the progress-file reader: the file on the school's share is the input. What it reads
// must write back as itself, and loading it must leave play on a level of the catalogue with
// the file never below the level reached.

#include "progress_file.h"
#include "account_world.h"
#include "fuzz_check.h"

#include <cstddef>
#include <cstdint>
#include <string>

using namespace dovrix;
using fuzz::require;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, std::size_t size) {
    const std::string content(reinterpret_cast<const char*>(data), size);
    if (const auto level = readProgressFile(content)) {
        require(readProgressFile(formatProgressFile(*level)) == level,
                "a level read from the file is written back as the same level");
    }

    // At school, with the server out of reach: the file alone decides the level.
    fuzz::AccountWorld world(true);
    world.share.files[world.accounts.progressFilePath()] = content;
    world.accounts.LoadProgress();
    require(fuzz::levelsArePlayable(world.state), "a loaded file leaves play on a level");
    const auto stored = readProgressFile(world.share.files[world.accounts.progressFilePath()]);
    require(stored && *stored >= world.state.levelReached,
            "the file is never below the level reached");
    return 0;
}
