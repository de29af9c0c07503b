// The language lexicons manager.
#include "app/core/lexicon_mgr.h"

#include <algorithm>
#include <atomic>
#include <cstdio>
#include <cstring>
#include <filesystem>

#include "app/core/script_text.h"
#include "engine/api/error_messages.h"
#include "engine/text/lexicon_file.h"
#include "engine/text/text_encoding.h"
#include "engine/util/built_in_resources.h"
#include "platform/resource_table.h"

namespace {
// Numbers every record made in the process: the built-in language takes 0 at the first load.
std::atomic<int> g_nextLanguageId{0};

bool HasLexiconExtension(const std::string& name) {
    // Case ignored: lexicon files often come from systems whose folders ignore it.
    if (name.size() < 5) return false;
    std::string ext = name.substr(name.size() - 5);
    std::transform(ext.begin(), ext.end(), ext.begin(), [](unsigned char c) { return std::tolower(c); });
    return ext == ".zlex";
}

// Reads a file's first bytes (fewer when it is shorter); false when it does not open.
bool ReadHeaderBytes(const std::string& path, std::string* bytes) {
    FILE* f = std::fopen(path.c_str(), "rb");
    if (!f) return false;
    char buffer[kLexiconInfoBytes];
    const size_t n = std::fread(buffer, 1, sizeof buffer, f);
    std::fclose(f);
    bytes->assign(buffer, n);
    return true;
}
}  // namespace

LanguageRecord MakeBuiltInLanguageRecord(int id) {
    LanguageRecord r;
    std::snprintf(r.info.name, sizeof r.info.name, "%s", "English - Default");
    r.name = r.info.name;
    r.info.id = -1;
    r.info.flags = 0;
    r.kind = kLanguageBuiltIn;
    r.id = id;
    return r;
}

std::string DecodeLanguageName(const char* header_name) {
    const std::string raw = header_name ? header_name : "";
    return IsValidUtf8(raw) ? raw : ConvertCp1252ToUtf8(raw);
}

void lexicon_mgr::Load(const std::string& folder, const std::string& /*resourceType*/) {
    selChange_ = pub_register_message("lexicon_mgr::sel_change");
    currentId_ = g_nextLanguageId++;
    records_.push_back(MakeBuiltInLanguageRecord(currentId_));

    std::vector<std::string> names;
    std::error_code ec;
    for (std::filesystem::directory_iterator it(folder, ec), end; !ec && it != end; it.increment(ec)) {
        const std::string name = it->path().filename().string();
        if (HasLexiconExtension(name)) names.push_back(name);
    }
    std::sort(names.begin(), names.end());
    for (const std::string& name : names) {
        LanguageRecord r;
        r.kind = kLanguageLexiconFile;
        r.path = folder + "/" + name;
        std::string header;
        if (!ReadHeaderBytes(r.path, &header)) continue;
        if (ReadLexiconInfo(header.data(), static_cast<int>(header.size()), &r.info) != 0) continue;
        r.info.name[sizeof r.info.name - 1] = '\0';
        r.name = DecodeLanguageName(r.info.name);
        r.id = g_nextLanguageId++;
        records_.push_back(r);
    }
}

void lexicon_mgr::SelectLanguage(int id) {
    currentId_ = id;
    post(new pub_message(static_cast<uint32_t>(selChange_)));
}

bool lexicon_mgr::SelectLanguageByName(const std::string& name) {
    bool found = false;
    for (const LanguageRecord& r : records_) {
        // Names stored by older versions are the header's bytes.
        if (name == r.name || name == r.info.name) {
            SelectLanguage(r.id);
            found = true;
        }
    }
    return found;
}

LanguageRecord lexicon_mgr::GetCurrentLanguage() const {
    for (const LanguageRecord& r : records_)
        if (r.id == currentId_) return r;
    return MakeBuiltInLanguageRecord(currentId_);
}

std::string lexicon_mgr::GetCurrentLanguageName() const { return GetCurrentLanguage().name; }

int lexicon_mgr::CreateLanguageTranscriber(CTranscriber** out) const {
    const LanguageRecord r = GetCurrentLanguage();
    if (r.kind == kLanguageBuiltIn) {
        const ResourceBytes dict = FindEmbeddedResourceById(kBuiltInResourceType, kDictionaryResourceId);
        return CreateDefaultTranscriber(reinterpret_cast<const char*>(dict.data), static_cast<int>(dict.size), out);
    }
    if (r.kind == kLanguageLexiconFile) return LoadLexiconFile(r.path.c_str(), out);
    return 10;
}

std::string lexicon_mgr::TranscriberFailureText(int code) const {
    const LanguageRecord r = GetCurrentLanguage();
    if (r.kind != kLanguageLexiconFile) return GetErrorMessage(code);
    return "The language \"" + r.name + "\" could not be loaded from " + r.path + ":\n" + GetErrorMessage(code);
}
