// Writes the seed inputs that only the project's own writers make: a small acoustic model image,
// a lexicon file, and the dictionary and letter-to-sound rules in binary form. Usage:
//   fuzz_make_seeds <corpus folder>   (files land in the target folders below it)
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "engine/recognition/model_image_test_support.h"
#include "engine/text/letter_to_sound_rules.h"
#include "engine/text/lexicon_file.h"
#include "engine/text/pronunciation_dictionary.h"
#include "engine/text/transcriber_info.h"

namespace {

constexpr char kDictionary[] =
    "A=AH\nA(2)=EY\nHELLO=hAHlOW\nHELLO(2)=hEHlOW\nMAY=mEY\nSMITH=smIHTH\nTHE=DHAH\nTHE(2)=DHIY\n"
    "WORLD=wERld\nWORLD'S=wERldz\n";

bool WriteFile(const std::string& path, const std::vector<uint8_t>& bytes) {
    std::FILE* f = std::fopen(path.c_str(), "wb");
    if (!f) return false;
    const bool ok = std::fwrite(bytes.data(), 1, bytes.size(), f) == bytes.size();
    return std::fclose(f) == 0 && ok;
}

std::vector<uint8_t> ReadFile(const std::string& path) {
    std::vector<uint8_t> bytes;
    if (std::FILE* f = std::fopen(path.c_str(), "rb")) {
        int c;
        while ((c = std::fgetc(f)) != EOF) bytes.push_back(static_cast<uint8_t>(c));
        std::fclose(f);
    }
    return bytes;
}

template <typename T>
bool SaveTo(const std::string& path, const T& part) {
    std::FILE* f = std::fopen(path.c_str(), "wb");
    if (!f) return false;
    const bool ok = part.SaveBinary(f);
    return std::fclose(f) == 0 && ok;
}

// The lexicon-file target reads a leading byte that chooses the form: 0 a whole file, 1 the
// unpacked block.
bool PrefixFile(const std::string& path, uint8_t mode) {
    std::vector<uint8_t> bytes = ReadFile(path);
    if (bytes.empty()) return false;
    bytes.insert(bytes.begin(), mode);
    return WriteFile(path, bytes);
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: %s <corpus folder>\n", argv[0]);
        return 2;
    }
    const std::string root = argv[1];
    bool ok = true;

    ModelImageLayout small;
    small.models = 4;
    small.states = 3;
    small.mixtures = 2;
    small.labels = {"x", "m", "AA", "IY"};
    ok &= WriteFile(root + "/fuzz_acoustic_model/four_models.hmm", BuildModelImage(small));
    small.withPhoneMap = false;
    small.withInfo = false;
    small.models = 2;
    small.mixtures = 1;
    ok &= WriteFile(root + "/fuzz_acoustic_model/two_models_bare.hmm", BuildModelImage(small));

    CPronunciationDictionary* dictionary =
        CPronunciationDictionary::CreateFromText(kDictionary, static_cast<int>(sizeof kDictionary - 1));
    CLetterToSoundRules rules;
    ok &= dictionary != nullptr;
    if (dictionary) {
        ok &= SaveTo(root + "/fuzz_dictionary_binary/ten_words.bin", *dictionary);
        ok &= SaveTo(root + "/fuzz_lts_rules/english.bin", rules);
        TranscriberInfo info{};
        std::strcpy(info.name, "English - Copy");
        info.id = 1033;
        info.flags = kLanguageHasLocale | kLanguageHasPhoneConstraints;
        std::strcpy(info.locale, "C");
        for (const char* target : {"fuzz_lexicon_file", "fuzz_lexicon_header"}) {
            ok &= WriteLexiconFile((root + "/" + target + "/english.zlex").c_str(), info, "x 10\nm 200\n", rules,
                                   *dictionary) == 0;
        }
        info.flags = kLanguageUnitsFirst;
        std::strcpy(info.name, "Plain");
        ok &= WriteLexiconFile((root + "/fuzz_lexicon_file/plain.zlex").c_str(), info, "", rules, *dictionary) == 0;
        ok &= PrefixFile(root + "/fuzz_lexicon_file/english.zlex", 0);
        ok &= PrefixFile(root + "/fuzz_lexicon_file/plain.zlex", 0);
        // The unpacked block: the rule set, one int32, the dictionary.
        std::vector<uint8_t> block{1};
        const std::vector<uint8_t> rulesBytes = ReadFile(root + "/fuzz_lts_rules/english.bin");
        const std::vector<uint8_t> dictionaryBytes = ReadFile(root + "/fuzz_dictionary_binary/ten_words.bin");
        block.insert(block.end(), rulesBytes.begin(), rulesBytes.end());
        block.insert(block.end(), 4, 0);
        block.insert(block.end(), dictionaryBytes.begin(), dictionaryBytes.end());
        ok &= WriteFile(root + "/fuzz_lexicon_file/unpacked_block.bin", block);
        dictionary->Destroy();
    }
    if (!ok) std::fprintf(stderr, "some seeds were not written\n");
    return ok ? 0 : 1;
}
