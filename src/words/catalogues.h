#pragma once
// The catalogues compiled into the program: each language's .mo file, as
// msgfmt made it from po/<language>.po, held as bytes (generated at build).
#include <cstddef>
#include <span>

namespace ovcache {

struct EmbeddedCatalogue {
    const char* language; // "de", "pt_BR", ...
    const unsigned char* data;
    std::size_t size;
};

std::span<const EmbeddedCatalogue> EmbeddedCatalogues();

} // namespace ovcache
