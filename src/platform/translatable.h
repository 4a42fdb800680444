#pragma once
// A text the player reads that is made below the words layer: kept in
// English where it is made, marked so that the catalogues gather it, and said
// in the player's language where it is worded (T in words/translation.h).

namespace ovcache {

constexpr const char* N_(const char* english)
{
    return english;
}

} // namespace ovcache
