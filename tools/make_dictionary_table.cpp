// Build step: reads the built-in dictionary text with the engine's own reader and writes its entry
// table, which the program embeds beside the text and uses in place (no parsing at start-up).
#include <cstdio>
#include <fstream>
#include <iterator>
#include <memory>
#include <string>

#include "engine/text/pronunciation_dictionary.h"

int main(int argc, char** argv) {
    if (argc != 3) {
        std::fprintf(stderr, "Usage: make_dictionary_table DICTIONARY_TEXT TABLE_OUT\n");
        return 2;
    }
    std::ifstream in(argv[1], std::ios::binary);
    const std::string text((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    if (!in.eof() && !in) {
        std::fprintf(stderr, "make_dictionary_table: cannot read %s\n", argv[1]);
        return 1;
    }
    CPronunciationDictionary dictionary;
    if (text.size() > 0x7fffffff || !dictionary.LoadText(text.data(), static_cast<int>(text.size()))) {
        std::fprintf(stderr, "make_dictionary_table: %s does not read\n", argv[1]);
        return 1;
    }
    const std::string temporary = std::string(argv[2]) + ".part";
    FILE* out = std::fopen(temporary.c_str(), "wb");
    const bool written = out != nullptr && dictionary.WriteTable(out);
    const bool closed = out != nullptr && std::fclose(out) == 0;
    if (!written || !closed || std::rename(temporary.c_str(), argv[2]) != 0) {
        std::fprintf(stderr, "make_dictionary_table: cannot write %s\n", argv[2]);
        std::remove(temporary.c_str());
        return 1;
    }
    return 0;
}
