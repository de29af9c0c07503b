// The transcriber's token loop: words, markup tags, punctuation and spelled characters, with the
// phoneme string, the output markers and their slots of alternative pronunciations. Numbers,
// money, addresses and titles are in transcriber_numbers.cpp.
#include "engine/text/transcriber.h"

#include <cctype>
#include <clocale>
#include <cstring>
#include <map>

#include "engine/api/progress.h"
#include "engine/text/pronunciation_dictionary.h"
#include "engine/text/text_classes.h"
#include "engine/util/mem_alloc.h"
#include "engine/util/string_utils.h"
#include "engine/util/xml_tag.h"

namespace {

constexpr int kArrayGrowBy = 256;
// Longer words are handed on in pieces of this many characters.
constexpr int kLongestWord = 254;
constexpr size_t kArenaBlockSize = 64 * 1024;
// Characters read between two questions whether to cancel (a few milliseconds of work).
constexpr int kCharactersPerCancelCheck = 32768;

const char* const kBreaths[] = {"hEY", "hAEhAE", "hUHh", "hEYhEYhEY"};
constexpr int kLaughAlternatives = 7;

bool StartsWith(const std::string& text, const char* prefix) {
    return text.compare(0, std::strlen(prefix), prefix) == 0;
}

// The integer at the start of text as atoi reads it, held to the int range instead of
// overflowing.
int32_t ParseInteger(const std::string& text) {
    size_t k = 0;
    while (k < text.size() && IsSpace(static_cast<unsigned char>(text[k]))) ++k;
    bool negative = false;
    if (k < text.size() && (text[k] == '+' || text[k] == '-')) negative = text[k++] == '-';
    int64_t value = 0;
    for (; k < text.size() && IsDigit(static_cast<unsigned char>(text[k])); ++k) {
        value = value * 10 + (text[k] - '0');
        if (value > INT32_MAX) {
            value = negative ? -int64_t(INT32_MIN) : INT32_MAX;
            break;
        }
    }
    return static_cast<int32_t>(negative ? -value : value);
}

}  // namespace

// ---- Slot arena ----

void* CTranscriber::SlotArena::Allocate(size_t bytes) {
    bytes = (bytes + 15) & ~size_t(15);
    while (block_ < blocks_.size()) {
        if (used_ + bytes <= sizes_[block_]) {
            void* p = blocks_[block_].get() + used_;
            used_ += bytes;
            return p;
        }
        ++block_;
        used_ = 0;
    }
    const size_t size = bytes > kArenaBlockSize ? bytes : kArenaBlockSize;
    blocks_.push_back(std::make_unique<char[]>(size));
    sizes_.push_back(size);
    block_ = blocks_.size() - 1;
    used_ = bytes;
    return blocks_.back().get();
}

void CTranscriber::SlotArena::Reset() {
    block_ = 0;
    used_ = 0;
}

// ---- Life cycle ----

CTranscriber::CTranscriber(CPronunciationDictionary* dictionary, CLetterToSoundRules* rules)
    : dictionary_(dictionary),
      ownsDictionary_(true),
      input_(kArrayGrowBy),
      phonemes_(kArrayGrowBy),
      markers_(kArrayGrowBy),
      rules_(rules) {}

CTranscriber::CTranscriber(CPronunciationDictionary* dictionary, bool ownsDictionary)
    : dictionary_(dictionary),
      ownsDictionary_(ownsDictionary),
      input_(kArrayGrowBy),
      phonemes_(kArrayGrowBy),
      markers_(kArrayGrowBy),
      rules_(std::make_unique<CLetterToSoundRules>()) {}

CTranscriber::~CTranscriber() {
    if (ownsDictionary_ && dictionary_) dictionary_->Destroy();
    MemFree(transcription_);
}

int CTranscriber::AddRef() { return ++refCount_; }

int CTranscriber::Release() {
    const int count = --refCount_;
    if (count == 0) delete this;
    return count;
}

bool CTranscriber::IsBusy() const { return false; }

void CTranscriber::getTranscriberInfo(TranscriberInfo* out) const {
    if (out) *out = info_;
}

void CTranscriber::setTranscriberInfo(const TranscriberInfo* info) {
    if (info == nullptr) return;
    info_ = *info;
    info_.name[sizeof(info_.name) - 1] = 0;
    info_.locale[sizeof(info_.locale) - 1] = 0;
}

void CTranscriber::SetDictionary(CPronunciationDictionary* dictionary, bool owns) {
    if (ownsDictionary_ && dictionary_ && dictionary_ != dictionary) dictionary_->Destroy();
    dictionary_ = dictionary;
    ownsDictionary_ = owns;
}

void CTranscriber::SetPhoneConstraints(const char* text, int length) {
    if (text == nullptr || length <= 0)
        phoneConstraints_.clear();
    else
        phoneConstraints_.assign(text, static_cast<size_t>(length));
}

const char* CTranscriber::GetPhoneConstraints(int* length) const {
    if (phoneConstraints_.empty()) {
        if (length) *length = 0;
        return nullptr;
    }
    if (length) *length = static_cast<int>(phoneConstraints_.size());
    return phoneConstraints_.c_str();
}

TranscriptMarker* CTranscriber::GetOutputMarkers(int* count) {
    if (count) *count = markers_.count;
    return markers_.count > 0 ? markers_.data : nullptr;
}

const char* CTranscriber::GetTranscription() {
    MemFree(transcription_);
    transcription_ = static_cast<char*>(MemAlloc(static_cast<size_t>(phonemes_.count) + 1, 0));
    if (transcription_ == nullptr) return nullptr;
    if (phonemes_.count > 0) std::memcpy(transcription_, phonemes_.data, static_cast<size_t>(phonemes_.count));
    transcription_[phonemes_.count] = 0;
    return transcription_;
}

// ---- Transcribe ----

bool CTranscriber::Transcribe(const char* text) {
    autoBreath_ = false;
    // The name setlocale gives back lives only until its next call, so it is copied before the
    // switch. A locale whose name cannot be read cannot be restored, so it is left alone; a
    // language locale that does not exist here leaves the current one in force.
    std::string savedLocale;
    bool switched = false;
    if (info_.locale[0] != 0) {
        const char* current = std::setlocale(LC_ALL, nullptr);
        if (current != nullptr) {
            savedLocale = current;
            switched = std::setlocale(LC_ALL, info_.locale) != nullptr;
        }
    }

    if (text == nullptr) text = "";
    const size_t length = std::strlen(text);
    input_.RemoveAll();
    if (length < static_cast<size_t>(INT32_MAX) && input_.SetSize(static_cast<int>(length) + 1, kArrayGrowBy)) {
        // Bytes of 128 and above stay positive so that they index the character tables.
        for (size_t k = 0; k < length; ++k) input_.data[k] = static_cast<unsigned char>(text[k]);
        input_.data[length] = 0;
    }
    readIndex_ = 0;
    position_ = 0;
    cancelled_ = false;
    warnings_.clear();
    lastBrace_ = lastBracket_ = lastAngle_ = -1;
    for (int32_t k = 0; k < input_.count && input_.data[k] != 0; ++k) {
        const int mapped = rules_->MapCharacter(input_.data[k]);
        if (mapped == '}') lastBrace_ = k;
        if (mapped == ']') lastBracket_ = k;
        if (mapped == '>') lastAngle_ = k;
    }
    phonemes_.RemoveAll();
    phonemes_.growBy = kArrayGrowBy;
    markers_.RemoveAll();
    markers_.growBy = kArrayGrowBy;
    arena_.Reset();
    pendingSlots_.clear();
    pendingAlternatives_.clear();
    spellingDigits_ = false;

    try {
        Translate();
    } catch (...) {
        // Memory ran out: what was transcribed so far stands.
    }

    if (switched) std::setlocale(LC_ALL, savedLocale.c_str());
    return !cancelled_;
}

int CTranscriber::NextCharacter() {
    if (readIndex_ >= input_.count) return 0;
    const int c = input_.data[readIndex_];
    if (c == 0) return 0;
    // A script of megabytes takes a while: a cancel ends the text here.
    if (progress_ && readIndex_ % kCharactersPerCancelCheck == kCharactersPerCancelCheck - 1 &&
        progress_->Progress(0, 0)) {
        cancelled_ = true;
        readIndex_ = input_.count;
        return 0;
    }
    ++readIndex_;
    // A character that a language's map turns into NUL reads as a blank: a NUL in the look-ahead
    // would stop Advance in the middle of the text while the characters behind it still match.
    const int mapped = rules_->MapCharacter(c);
    return mapped != 0 ? mapped : ' ';
}

void CTranscriber::Advance() {
    if (c0_ == 0) return;
    c0_ = c1_;
    c1_ = c2_;
    c2_ = c3_;
    c3_ = NextCharacter();
    ++position_;
}

void CTranscriber::AppendPhoneme(char c) {
    // A phoneme that cannot be stored is dropped.
    phonemes_.Append(c);
}

void CTranscriber::EmitSeparator(bool force) {
    const char* separator = rules_->Word(kWordSeparator);
    const int n = static_cast<int>(std::strlen(separator));
    if (!force && phonemes_.count >= n &&
        std::memcmp(phonemes_.data + phonemes_.count - n, separator, static_cast<size_t>(n)) == 0)
        return;
    for (int k = 0; k < n; ++k) AppendPhoneme(separator[k]);
}

void CTranscriber::AppendPhonemeText(const char* text, size_t length) {
    const char separator = rules_->Word(kWordSeparator)[0];
    for (size_t k = 0; k < length; ++k) {
        const char c = text[k];
        if (c == separator || IsSpace(static_cast<unsigned char>(c)))
            EmitSeparator(false);
        else
            AppendPhoneme(c);
    }
}

void CTranscriber::EmitPhonemes(const char* text, bool newSlot) {
    const size_t length = std::strlen(text);
    AppendPhonemeText(text, length);
    if (length > 0 && text[length - 1] == ' ') newSlot = true;
    if (newSlot) EmitSeparator(false);
    AddSlotText(text, length, newSlot);
}

void CTranscriber::AddSlotText(const char* text, size_t length, bool newSlot) {
    bool blank = true;
    for (size_t k = 0; k < length && blank; ++k) blank = IsSpace(static_cast<unsigned char>(text[k]));
    if (blank) return;
    if (!newSlot && !pendingSlots_.empty() && pendingSlots_.back().size() <= 1) {
        std::vector<std::string>& slot = pendingSlots_.back();
        if (slot.empty())
            slot.emplace_back(text, length);
        else
            slot[0].append(text, length);
        return;
    }
    pendingSlots_.emplace_back(1, std::string(text, length));
}

void CTranscriber::AddAlternative(const char* text, size_t length) { pendingAlternatives_.emplace_back(text, length); }

void CTranscriber::CommitAlternatives() {
    if (pendingAlternatives_.empty()) return;
    pendingSlots_.push_back(std::move(pendingAlternatives_));
    pendingAlternatives_.clear();
}

void CTranscriber::EmitAlternativeSlot(const char* text) {
    pendingAlternatives_.clear();
    const char* p = text;
    while (*p != 0) {
        while (*p != 0 && IsSpace(static_cast<unsigned char>(*p))) ++p;
        const char* start = p;
        while (*p != 0 && !IsSpace(static_cast<unsigned char>(*p))) ++p;
        if (p > start) AddAlternative(start, static_cast<size_t>(p - start));
    }
    CommitAlternatives();
}

void CTranscriber::AddBreathSlot(bool withSilence) {
    std::vector<std::string> slot(std::begin(kBreaths), std::end(kBreaths));
    if (withSilence) slot.emplace_back("x");
    pendingSlots_.push_back(std::move(slot));
}

void CTranscriber::FinishMarker(TranscriptMarker& marker) {
    const int length = phonemes_.count;
    if (marker.phonemeStart < length - 1 && phonemes_.data[marker.phonemeStart] == rules_->Word(kWordSeparator)[0])
        ++marker.phonemeStart;
    marker.textEnd = position_;
    marker.phonemeEnd = length - 1;
    marker.slotCount = static_cast<int32_t>(pendingSlots_.size());
    marker.slots = nullptr;
    if (marker.slotCount > 0) {
        auto* slots = static_cast<TranscriptSlot*>(arena_.Allocate(sizeof(TranscriptSlot) * pendingSlots_.size()));
        for (size_t s = 0; s < pendingSlots_.size(); ++s) {
            const std::vector<std::string>& alternatives = pendingSlots_[s];
            slots[s].count = static_cast<int32_t>(alternatives.size());
            slots[s].strings = static_cast<char**>(arena_.Allocate(sizeof(char*) * (alternatives.size() + 1)));
            for (size_t a = 0; a < alternatives.size(); ++a) {
                char* copy = static_cast<char*>(arena_.Allocate(alternatives[a].size() + 1));
                std::memcpy(copy, alternatives[a].c_str(), alternatives[a].size() + 1);
                slots[s].strings[a] = copy;
            }
        }
        marker.slots = slots;
    }
    markers_.Append(marker);
}

void CTranscriber::Translate() {
    c0_ = NextCharacter();
    c1_ = NextCharacter();
    c2_ = NextCharacter();
    c3_ = NextCharacter();
    EmitSeparator(false);
    while (c0_ != 0) {
        pendingSlots_.clear();
        TranscriptMarker marker{};
        marker.textStart = position_;
        marker.phonemeStart = phonemes_.count;
        marker.kind = kTranscriptWord;
        marker.value = -1;

        if ((c0_ == '{' && position_ > lastBrace_) || (c0_ == '[' && position_ > lastBracket_) ||
            (c0_ == '<' && (IsAlpha(c1_) || c1_ == '?' || c1_ == '/') && position_ > lastAngle_)) {
            // Never closed: read what follows as text rather than hide the rest of the script.
            WarnUnclosed(c0_, c0_ == '{' ? '}' : c0_ == '[' ? ']' : '>');
            Advance();
            continue;
        }
        if (c0_ == '{' || c0_ == '[') {
            // Braced and bracketed text is not spoken.
            const int close = c0_ == '{' ? '}' : ']';
            marker.kind = kTranscriptMarkup;
            while (c0_ != 0 && c0_ != close) Advance();
            Advance();
        } else if (c0_ == '<' && (IsAlpha(c1_) || c1_ == '?' || c1_ == '/')) {
            marker.kind = kTranscriptMarkup;
            ReadTag(marker);
        } else if (IsDigit(c0_)) {
            ReadNumber();
        } else if (IsAlpha(c0_) || c0_ == '\'' || c0_ == '"') {
            ReadWord();
        } else if (c0_ == '$' && IsDigit(c1_)) {
            ReadMoney();
        } else if (IsPunct(c0_)) {
            marker.kind = kTranscriptPunctuation;
            EmitPhonemes("x", false);
            marker.flags = kTranscriptPauseAllowed;
            if (autoBreath_) AddBreathSlot(true);
            Advance();
        } else if (IsSpace(c0_)) {
            Advance();
            continue;
        } else {
            SpellLetter(c0_);
            Advance();
        }
        FinishMarker(marker);
    }
}

void CTranscriber::WarnUnclosed(int open, int close) {
    // Past the limit only the last warning says that more were left out (counting lines for each
    // would make a text of many brackets slow).
    if (warnings_.size() >= static_cast<size_t>(kMaxScriptWarnings)) {
        const char more[] = " (and more warnings not shown)";
        std::string& last = warnings_.back().message;
        if (last.size() < sizeof more || last.compare(last.size() - (sizeof more - 1), std::string::npos, more) != 0)
            last += more;
        return;
    }
    int32_t line = 1;
    for (int32_t k = 0; k < position_ && k < input_.count; ++k)
        if (input_.data[k] == '\n') ++line;
    std::string message = "'";
    message += static_cast<char>(open);
    message += "' without a '";
    message += static_cast<char>(close);
    message += "' after it: the text that follows is read, not skipped as markup";
    warnings_.push_back(ScriptWarning{position_, line, std::move(message)});
}

// ---- Markup ----

void CTranscriber::ReadTag(TranscriptMarker& marker) {
    while (c0_ != 0 && c0_ != '>') Advance();
    Advance();
    marker.textEnd = position_;
    std::string tag;
    tag.reserve(static_cast<size_t>(position_ - marker.textStart));
    for (int k = marker.textStart; k < position_; ++k)
        tag.push_back(static_cast<char>(rules_->MapCharacter(input_.data[k])));

    const bool pron = StartsWith(tag, "<pron");
    if (pron || StartsWith(tag, "<aux")) {
        const size_t eq = tag.find('=');
        if (eq != std::string::npos) {
            size_t k = eq + 1;
            while (k < tag.size() && !IsAlnum(static_cast<unsigned char>(tag[k]))) ++k;
            std::string said;
            for (; k < tag.size() && tag[k] != '>'; ++k) {
                const auto c = static_cast<unsigned char>(tag[k]);
                if (IsSpace(c)) {
                    if (!said.empty() && said.back() != ' ') said.push_back(' ');
                } else if (!IsPunct(c)) {
                    said.push_back(static_cast<char>(c));
                }
            }
            while (!said.empty() && said.back() == ' ') said.pop_back();
            if (!said.empty()) {
                ToUpperInPlace(said);
                size_t start = 0;
                while (start < said.size()) {
                    size_t end = said.find(' ', start);
                    if (end == std::string::npos) end = said.size();
                    EmitWord(said.data() + start, static_cast<int>(end - start));
                    start = end + 1;
                }
                if (pron) {
                    // The tag's words are said in place of the next word of the text.
                    while (IsSpace(c0_)) Advance();
                    marker.textStart = position_;
                    while (c0_ != 0 && !IsSpace(c0_)) Advance();
                    marker.kind = kTranscriptWord;
                }
            }
        }
    }

    if (StartsWith(tag, "<cut")) {
        const std::string rest = TrimLeft(tag.substr(4));
        if (!rest.empty() && IsDigit(static_cast<unsigned char>(rest[0]))) {
            marker.value = ParseInteger(rest);
            marker.kind = kTranscriptCut;
        } else {
            std::string name;
            std::map<std::string, std::string> attributes;
            int end = 0;
            if (ParseXmlTag(tag, name, attributes, end) && name == "cut") {
                const auto ms = attributes.find("ms");
                if (ms != attributes.end() && !ms->second.empty()) {
                    const int32_t value = ParseInteger(ms->second);
                    if (value != 0) {
                        marker.value = value;
                        marker.kind = kTranscriptCut;
                    }
                }
            }
        }
        if (marker.kind == kTranscriptCut) EmitSeparator(true);
    }

    if (StartsWith(tag, "<pause")) {
        EmitSeparator(true);
        EmitSeparator(true);
        AddSlotText("xx", 2, true);
        marker.flags |= kTranscriptPauseAllowed;
    }

    if (StartsWith(tag, "<laugh")) {
        EmitSeparator(false);
        pendingAlternatives_.clear();
        std::string laugh;
        for (int n = 0; n < kLaughAlternatives; ++n) {
            laugh += "hAHx";
            AddAlternative(laugh.c_str(), laugh.size());
        }
        CommitAlternatives();
        EmitSeparator(false);
    } else if (StartsWith(tag, "<breath")) {
        EmitSeparator(false);
        pendingAlternatives_.clear();
        for (const char* breath : kBreaths) AddAlternative(breath, std::strlen(breath));
        CommitAlternatives();
        EmitSeparator(false);
    } else if (StartsWith(tag, "<auto-breath-detection")) {
        autoBreath_ = true;
    }
}

// ---- Words ----

void CTranscriber::ReadWord() {
    std::string& word = wordBuffer_;
    word.clear();
    bool abbreviation = false;
    if (IsAlpha(c0_) && c1_ == '.' && IsAlpha(c2_) && c3_ == '.') {
        // U.S.A. is gathered as USA and spelled unless the dictionary knows it.
        abbreviation = true;
        while (IsAlpha(c0_) && c1_ == '.' && static_cast<int>(word.size()) < kLongestWord) {
            word.push_back(static_cast<char>(std::toupper(c0_)));
            Advance();
            Advance();
        }
    } else {
        while (static_cast<int>(word.size()) < kLongestWord &&
               (IsAlpha(c0_) || rules_->IsWordCharacter(c0_) || c0_ == '\'' || c0_ == '"')) {
            // Double quotes belong to the token but never to the word, so a quoted word is still
            // found in the dictionary.
            if (c0_ != '"') word.push_back(static_cast<char>(IsAlpha(c0_) ? std::toupper(c0_) : c0_));
            Advance();
        }
        // A closing apostrophe is consumed but not part of the word.
        if (!word.empty() && word.back() == '\'') word.pop_back();
    }
    const char* w = word.c_str();
    const int n = static_cast<int>(word.size());

    if (word == "HTTP" && c0_ == ':' && c1_ == '/' && c2_ == '/') {
        SpellWord(w, n);
        for (int k = 0; k < 3; ++k) {
            SpellLetter(c0_);
            Advance();
        }
        ReadWebAddress();
    } else if (word == "WWW" && !IsSpace(c0_)) {
        EmitWord(w, n);
        ReadWebAddress();
    } else if (c0_ == '@' && !IsSpace(c1_)) {
        ReadEmail(w, n);
    } else if (c0_ == '.') {
        ReadTitle(w, n);
    } else if (LookupWord(w, n)) {
    } else if (abbreviation || IsDigit(c0_)) {
        SpellWord(w, n);
    } else if (n == 1) {
        SpellLetter(static_cast<unsigned char>(w[0]));
    } else {
        EmitWord(w, n);
    }
}

bool CTranscriber::LookupWord(const char* word, int length) {
    if (dictionary_ == nullptr) return false;
    int keyLength = 0;
    const char* key = rules_->MakeKey(word, length, &keyLength);
    if (keyLength > UINT16_MAX) return false;
    const int first = dictionary_->Find(key, static_cast<uint16_t>(keyLength));
    if (first < 0) return false;

    EmitSeparator(false);
    pendingAlternatives_.clear();
    const DictionaryEntry& entry = dictionary_->GetEntry(first);
    AddAlternative(entry.phones, entry.phonesLength);
    AppendPhonemeText(entry.phones, entry.phonesLength);
    EmitSeparator(false);
    for (int index = first + 1; index < dictionary_->GetCount() &&
                                dictionary_->IsEntryOf(index, key, static_cast<uint16_t>(keyLength));
         ++index) {
        const DictionaryEntry& alternative = dictionary_->GetEntry(index);
        AddAlternative(alternative.phones, alternative.phonesLength);
    }
    CommitAlternatives();
    return true;
}

void CTranscriber::EmitWord(const char* word, int length) {
    if (LookupWord(word, length)) return;
    std::string buffer;
    buffer.reserve(static_cast<size_t>(length) + 2);
    buffer.push_back(' ');
    buffer.append(word, static_cast<size_t>(length));
    buffer.push_back(' ');
    // Separators on both sides, as for a dictionary word, keep the silence between words.
    EmitSeparator(false);
    rules_->Convert(*this, buffer.c_str());
    EmitSeparator(false);
}

void CTranscriber::SpellLetter(int c) {
    const char* name = rules_->CharacterName(c);
    if (name) EmitPhonemes(name, false);
}

void CTranscriber::SpellWord(const char* word, int length) {
    for (int k = 0; k < length; ++k) SpellLetter(static_cast<unsigned char>(word[k]));
}
