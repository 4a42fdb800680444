// libFuzzer target around one of the checks in fuzzChecks.h, chosen when it is
// built: OVCACHE_FUZZ_CHECK names it (the index reader with the entry parsing
// and the unsafe-name check, or the Wine registry file reader).
#include "fuzzChecks.h"

#include <cstdint>
#include <cstdio>
#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const std::string problem =
        ovcache::fuzz::OVCACHE_FUZZ_CHECK(std::string_view(reinterpret_cast<const char*>(data), size));
    if (!problem.empty()) {
        std::fprintf(stderr, "%s\n", problem.c_str());
        std::abort();
    }
    return 0;
}
