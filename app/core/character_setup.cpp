// Character setup checks and the character text file of the rows.
#include "app/core/character_setup.h"

#include <algorithm>
#include <filesystem>
#include <set>

#include "engine/util/file_utils.h"
#include "engine/util/string_utils.h"
#include "model/phoneme_codes.h"

namespace {

struct used_row {
    int index;  // 0-based row of the dialog
    std::set<std::string> codes;
};

std::string CodeText(const phoneme_code& code) { return std::string(code.data()); }

}  // namespace

CharacterSetupCheck ValidateCharacterSetup(const std::vector<CharacterSetupRow>& rows,
                                           const std::function<bool(const std::string&)>& fileExists) {
    CharacterSetupCheck check;
    const auto exists = [&](const std::string& path) {
        return fileExists ? fileExists(path) : FileExists(path.c_str());
    };
    const int count = std::min<int>(static_cast<int>(rows.size()), kCharacterSetupRows);

    std::vector<used_row> used;
    std::set<std::string> all;
    for (int r = 0; r < count; ++r) {
        if (rows[r].phonemes.empty()) continue;
        const int p = static_cast<int>(used.size());  // the row's number among the used ones
        std::vector<phoneme_code> codes;
        int errorPos = 0;
        if (!parse_phoneme_codes(rows[r].phonemes.c_str(), codes, &errorPos)) {
            check.focusRow = r;
            check.invalidFrom = errorPos;
            check.messages.push_back(FormatString(
                "Sorry, the phoneme list '%s' has invalid labels.Please specify the phonemes from the list of zuvo 40 "
                "phonemes.",
                rows[r].phonemes.c_str()));
            return check;
        }
        used_row row{r, {}};
        for (const phoneme_code& c : codes) row.codes.insert(CodeText(c));
        all.insert(row.codes.begin(), row.codes.end());
        if (!row.codes.empty()) {
            const std::string& media = rows[r].mediaFile;
            if (media.empty() || !exists(media)) {
                const std::string text =
                    media.empty() ? FormatString("Please specify the a media file for Viseme %d.", p + 1)
                                  : FormatString("the specified media file for Viseme %d cannot be found:\n\nfile: %s",
                                                 p + 1, media.c_str());
                check.focusRow = r;
                check.focusMedia = true;
                check.messages.push_back(text);
                check.statusText = text;
                return check;
            }
        }
        used.push_back(std::move(row));
    }

    // Missing codes in byte order (a std::set of strings is), so upper-case codes come first.
    std::set<std::string> missing;
    for (const char* code : kPhonemeCodes)
        if (!all.count(code)) missing.insert(code);
    if (!missing.empty()) {
        std::string list;
        for (const std::string& code : missing) list += code + " ";
        check.messages.push_back(FormatString(
            "Missing Phonemes. In order to complete the phoneme to viseme mapping please add the following "
            "phonemes\n\n%s\n\nFor convenience, these will also be shown in the dialog ui.",
            list.c_str()));
        check.statusText = "Missing Phonemes:\n" + list;
        return check;
    }

    // Codes given to two visemes are reported (from each side) but do not stop OK.
    for (std::size_t p = 0; p < used.size(); ++p)
        for (std::size_t q = 0; q < used.size(); ++q) {
            if (p == q) continue;
            for (const std::string& code : used[p].codes)
                if (used[q].codes.count(code)) {
                    const std::string text = FormatString(
                        "The Phoneme %s is specified in both Viseme %d and Viseme %d. Please remove from one of them",
                        code.c_str(), static_cast<int>(p + 1), static_cast<int>(q + 1));
                    check.messages.push_back(text);
                    check.statusText = text;
                }
        }
    check.ok = true;
    return check;
}

std::optional<std::string> BuildCharacterText(const std::vector<CharacterSetupRow>& rows, const std::string& folder,
                                              std::string* error) {
    auto fail = [&](const std::string& why) -> std::optional<std::string> {
        if (error) *error = why;
        return std::nullopt;
    };
    std::string text = "# Phoneme to viseme mapping\nsingle_model\n";
    const int count = std::min<int>(static_cast<int>(rows.size()), kCharacterSetupRows);
    for (int r = 0; r < count; ++r) {
        if (rows[r].phonemes.empty()) continue;
        std::vector<phoneme_code> codes;
        int errorPos = 0;
        if (!parse_phoneme_codes(rows[r].phonemes.c_str(), codes, &errorPos))
            return fail("the phoneme list '" + rows[r].phonemes + "' has invalid labels");
        if (codes.empty()) continue;
        std::error_code ec;
        std::filesystem::path media = std::filesystem::absolute(rows[r].mediaFile, ec);
        std::string name = media.lexically_relative(std::filesystem::absolute(folder, ec)).generic_string();
        if (name.empty()) name = media.generic_string();
        if (name.find_first_of(" \t\r\n") != std::string::npos)
            return fail("the model file path '" + name + "' holds white space");
        for (const phoneme_code& c : codes) text += CodeText(c) + " 1 " + name + " 1\n";
    }
    return text;
}
