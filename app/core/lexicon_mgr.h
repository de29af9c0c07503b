// The languages the program can align text in: the built-in English dictionary and the lexicon
// files (".zlex") of the "dicts" folder beside the program. Keeps the current language, tells
// subscribers when it changes and makes its transcriber for each recognition run.
#pragma once

#include <string>
#include <vector>

#include "engine/text/transcriber_info.h"
#include "model/messaging.h"

class CTranscriber;

constexpr int kLanguageBuiltIn = 2;
constexpr int kLanguageLexiconFile = 0;

struct LanguageRecord {
    TranscriberInfo info{};  // the lexicon header; info.name is shown to the user
    int kind = kLanguageBuiltIn;
    std::string path;  // the lexicon file; empty for the built-in language
    int id = 0;        // unique within the process
};

// The built-in language's record with the given id: "English - Default", info id -1.
LanguageRecord MakeBuiltInLanguageRecord(int id);

// User-interface thread only; "lexicon_mgr::sel_change" reaches subscribers through the post
// queue, on its next dispatch.
class lexicon_mgr : public publisher {
public:
    // Lists the built-in language, then every readable lexicon file of the folder whose header
    // the engine accepts, by file name; others are skipped. The built-in language becomes current.
    // The resource type is the kind the built-in dictionary is stored under (kept for callers).
    void Load(const std::string& folder, const std::string& resourceType);
    // Makes id current and posts "lexicon_mgr::sel_change", also when it was current already.
    void SelectLanguage(int id);
    // Selects every record of that name (exact) in record order; false when none has it.
    bool SelectLanguageByName(const std::string& name);
    int GetCurrentLanguageId() const { return currentId_; }
    // The current record; a built-in record with the current id when none has it.
    LanguageRecord GetCurrentLanguage() const;
    std::string GetCurrentLanguageName() const;
    const std::vector<LanguageRecord>& GetRecords() const { return records_; }
    // The current language's transcriber (one reference, the caller's): 0 or an engine code;
    // 10 for a record of an unknown kind.
    int CreateLanguageTranscriber(CTranscriber** out) const;
    // The registered type of the selection message.
    int SelChangeMessage() const { return selChange_; }

private:
    std::vector<LanguageRecord> records_;
    int currentId_ = 0;
    int selChange_ = -1;
};
