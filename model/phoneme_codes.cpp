// Phoneme code inventory, check and parse.
#include "model/phoneme_codes.h"

#include <cctype>
#include <cstring>

const char* const kPhonemeCodes[kPhonemeCodeCount] = {
    "x",  "m",  "p",  "b",  "v",  "f",  "ZH", "CH", "j",  "SH", "s",  "z",  "DH", "TH",
    "t",  "NG", "g",  "k",  "h",  "r",  "ER", "w",  "UH", "UW", "AW", "IY", "y",  "IH",
    "AE", "AY", "EY", "EH", "n",  "d",  "l",  "AA", "AH", "AO", "OW", "OY"};

namespace {

// Length of the code that begins at codes[i]: an upper-case letter takes the character after it.
int code_length_at(const char* codes, int i) {
    if (std::isupper(static_cast<unsigned char>(codes[i])) && codes[i + 1] != '\0') return 2;
    return 1;
}

}  // namespace

bool validate_phoneme_codes(const char* codes, int* error_pos) {
    *error_pos = 0;
    if (!codes) return true;
    int i = 0;
    while (codes[i] != '\0') {
        *error_pos = i;
        int n = code_length_at(codes, i);
        char code[3] = {codes[i], n == 2 ? codes[i + 1] : '\0', '\0'};
        if (!std::strstr(kPhonemeInventory, code)) return false;
        i += n;
    }
    return true;
}

bool parse_phoneme_codes(const char* codes, std::vector<phoneme_code>& out, int* error_pos) {
    *error_pos = 0;
    if (!codes) return true;
    int i = 0;
    while (codes[i] != '\0') {
        *error_pos = i;
        unsigned char c = static_cast<unsigned char>(codes[i]);
        if (std::isspace(c) || c == ',') {
            ++i;
            continue;
        }
        int n = code_length_at(codes, i);
        phoneme_code code = {codes[i], n == 2 ? codes[i + 1] : '\0', '\0'};
        bool known = false;
        for (const char* inv : kPhonemeCodes) {
            if (std::strcmp(inv, code.data()) == 0) {
                known = true;
                break;
            }
        }
        if (!known) return false;
        out.push_back(code);
        i += n;
    }
    return true;
}

void copy_phoneme_code(char* dest, const char* src) {
    int i = 0;
    for (; i < 2 && src[i] != '\0'; ++i) dest[i] = src[i];
    dest[i] = '\0';
}
