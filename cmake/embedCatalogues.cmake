# The compiled catalogues (.mo) as bytes in a C++ source, so that each
# program carries its languages in itself.
#   cmake -DMO_DIR=<dir> -DLANGUAGES=de,fr -DOUTPUT=<file> -P embedCatalogues.cmake
cmake_minimum_required(VERSION 3.25)
string(REPLACE "," ";" LANGUAGES "${LANGUAGES}")
set(text "// Made at build from po/*.po; not to be edited.\n#include \"words/catalogues.h\"\n\nnamespace ovcache {\nnamespace {\n\n")
set(table "")
foreach(language ${LANGUAGES})
  file(READ "${MO_DIR}/${language}.mo" hex HEX)
  string(REGEX REPLACE "([0-9a-f][0-9a-f])" "0x\\1," bytes "${hex}")
  string(REGEX REPLACE "((0x..,){32})" "\\1\n" bytes "${bytes}")
  string(APPEND text "const unsigned char k_${language}[] = {\n${bytes}};\n\n")
  string(APPEND table "    {\"${language}\", k_${language}, sizeof k_${language}},\n")
endforeach()
if(table STREQUAL "")
  string(APPEND text "} // namespace\n\nstd::span<const EmbeddedCatalogue> EmbeddedCatalogues()\n{\n    return {};\n}\n\n"
                     "} // namespace ovcache\n")
else()
  string(APPEND text "const EmbeddedCatalogue kAll[] = {\n${table}};\n\n} // namespace\n\n"
                     "std::span<const EmbeddedCatalogue> EmbeddedCatalogues()\n{\n    return kAll;\n}\n\n"
                     "} // namespace ovcache\n")
endif()
file(WRITE "${OUTPUT}.new" "${text}")
file(COPY_FILE "${OUTPUT}.new" "${OUTPUT}" ONLY_IF_DIFFERENT)
