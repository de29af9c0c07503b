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
    TranscriberInfo info{};  // the lexicon header, its name as the file's bytes
    std::string name;        // the name shown and compared everywhere: info.name as UTF-8
    int kind = kLanguageBuiltIn;
    std::string path;  // the lexicon file; empty for the built-in language
    int id = 0;        // unique within the process
};

// The built-in language's record with the given id: "English - Default", info id -1.
LanguageRecord MakeBuiltInLanguageRecord(int id);

// A lexicon header's name as UTF-8: kept when it is UTF-8 already, else read as code page 1252,
// the code page the engine's text tables use.
std::string DecodeLanguageName(const char* header_name);

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
    // Selects every record of that name (exact, the UTF-8 name or the header's bytes) in record
    // order; false when none has it.
    bool SelectLanguageByName(const std::string& name);
    int GetCurrentLanguageId() const { return currentId_; }
    // The current record; a built-in record with the current id when none has it.
    LanguageRecord GetCurrentLanguage() const;
    // The current record's name (UTF-8).
    std::string GetCurrentLanguageName() const;
    const std::vector<LanguageRecord>& GetRecords() const { return records_; }
    // The current language's transcriber (one reference, the caller's): 0 or an engine code;
    // 10 for a record of an unknown kind.
    int CreateLanguageTranscriber(CTranscriber** out) const;
    // The message for a code of CreateLanguageTranscriber: the engine's text, after the language
    // and the lexicon file it was loaded from, so that the user is told which file is wrong.
    std::string TranscriberFailureText(int code) const;
    // The registered type of the selection message.
    int SelChangeMessage() const { return selChange_; }

private:
    std::vector<LanguageRecord> records_;
    int currentId_ = 0;
    int selChange_ = -1;
};
