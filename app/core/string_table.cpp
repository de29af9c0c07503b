// The string table.
#include "app/core/string_table.h"

namespace {
struct Entry {
    int id;
    const char* text;
};
// Window title, document name, filter name, extension, file type id, file type name.
constexpr Entry kStrings[] = {
    {kIdsMainTitle, "The Phonarc!"},
    {kIdsDocStrings, "\nSpeech\nZuvotrix Sync Results File (*.zuvo)\n.zuvo\nPhonarc.Document\nPhonarc Document"},
    {kIdsAppName, "Murmurex"},
    {kIdsDocumentsUnavailable, "Cannot open %s: documents are not available yet.\n"},
    {kIdsAboutCredit, "This software uses the Carnegie Mellon Pronunciation Dictionary."},
};
}  // namespace

const char* LoadProgramString(int id) {
    for (const Entry& e : kStrings)
        if (e.id == id) return e.text;
    return "";
}
