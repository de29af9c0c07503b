// Reading out what is not an ordinary word: cardinal and ordinal numbers, decimals, percentages,
// dollar amounts, web and e-mail addresses and titles, with the word tables of the rule set.
#include <climits>
#include <cstring>
#include <string>

#include "engine/text/text_classes.h"
#include "engine/text/transcriber.h"

namespace {

constexpr int32_t kBillion = 1000000000;
constexpr int32_t kMillion = 1000000;
constexpr int kLongestAddressPart = 254;
// A digit run too long to be a number is spelled in words of at most this many digits, so what
// reading a run holds at once stays the same however long the run is.
constexpr size_t kSpelledDigitsPerWord = 64;

}  // namespace

void CTranscriber::SayCardinal(int32_t n) {
    const CLetterToSoundRules& r = *rules_;
    auto say = [this](const char* word) { EmitPhonemes(word, true); };
    if (n < 0) {
        say(r.Word(kWordMinus));
        // The smallest value has no positive counterpart.
        if (n == INT32_MIN) {
            say(r.Word(kWordInfinity));
            return;
        }
        n = -n;
    }
    if (n >= kBillion && SayScale(&n, kBillion, kWordBillion, kWordBillion)) return;
    if (n >= kMillion && SayScale(&n, kMillion, kWordMillion, kWordMillion)) return;
    // 1100 to 1999 are read in hundreds: fifteen hundred.
    if (((n >= 1000 && n < 1100) || n >= 2000) && SayScale(&n, 1000, kWordThousand, kWordThousand)) return;
    if (n >= 100) {
        say(r.Cardinal(n / 100));
        say(r.Word(kWordHundred));
        n %= 100;
        if (n == 0) return;
    }
    if (n >= 20) {
        const char* tens = r.Tens((n - 20) / 10);
        const int units = n % 10;
        if (units == 0) {
            say(tens);
        } else if (info_.flags & kLanguageUnitsFirst) {
            say(r.Cardinal(units));
            say(r.Word(kWordAnd));
            say(tens);
        } else {
            say(tens);
            say(r.Cardinal(units));
        }
        return;
    }
    say(r.Cardinal(n));
}

void CTranscriber::SayOrdinal(int32_t n) {
    const CLetterToSoundRules& r = *rules_;
    auto say = [this](const char* word) { EmitPhonemes(word, true); };
    if (n < 0) {
        say(r.Word(kWordOrdinalMinus));
        if (n == INT32_MIN) {
            say(r.Word(kWordInfinity));
            return;
        }
        n = -n;
    }
    if (n >= kBillion && SayScale(&n, kBillion, kWordBillion, kWordFinalBillionth)) return;
    if (n >= kMillion && SayScale(&n, kMillion, kWordMillion, kWordFinalMillionth)) return;
    if (((n >= 1000 && n < 1100) || n >= 2000) && SayScale(&n, 1000, kWordThousand, kWordThousandth)) return;
    if (n >= 100) {
        say(r.Cardinal(n / 100));
        n %= 100;
        if (n == 0) {
            say(r.Word(kWordHundredth));
            return;
        }
        say(r.Word(kWordHundred));
    }
    if (n >= 20) {
        const int tens = (n - 20) / 10;
        const int units = n % 10;
        if (units == 0) {
            say(r.OrdinalTens(tens));
        } else if (info_.flags & kLanguageUnitsFirst) {
            say(r.Ordinal(units));
            say(r.Word(kWordAnd));
            say(r.Tens(tens));
        } else {
            say(r.Tens(tens));
            say(r.Ordinal(units));
        }
        return;
    }
    say(r.Ordinal(n));
}

// Says how many of scale n holds and the scale's word, or finalWord when nothing is left (so an
// ordinal ends on "millionth"), then "and" before a remainder under 100. The remainder stays in
// *n; true when it is 0.
bool CTranscriber::SayScale(int32_t* n, int32_t scale, LtsWord word, LtsWord finalWord) {
    const CLetterToSoundRules& r = *rules_;
    SayCardinal(*n / scale);
    *n %= scale;
    if (*n == 0) {
        EmitPhonemes(r.Word(finalWord), true);
        return true;
    }
    EmitPhonemes(r.Word(word), true);
    if (*n < 100) EmitPhonemes(r.Word(kWordAnd), true);
    return false;
}

// Reads a run of digits (thousands separators between digits are skipped) into value with
// unsigned arithmetic. False when the number does not fit a signed 32-bit value; digits then holds
// the digits read, so the caller can spell them instead of reading a wrapped number. Such a run
// stops after kSpelledDigitsPerWord digits and its rest is spelled as the next word.
bool CTranscriber::ReadDigits(uint32_t* value, std::string* digits) {
    const int separator = static_cast<unsigned char>(rules_->ThousandsSeparator());
    uint32_t n = 0;
    bool fits = !spellingDigits_;
    spellingDigits_ = false;
    digits->clear();
    while (IsDigit(c0_) || (c0_ == separator && IsDigit(c1_))) {
        if (!IsDigit(c0_)) {
            Advance();
            continue;
        }
        if (!fits && digits->size() >= kSpelledDigitsPerWord) {
            spellingDigits_ = true;
            break;
        }
        const auto d = static_cast<uint32_t>(c0_ - '0');
        digits->push_back(static_cast<char>(c0_));
        if (fits && n > (static_cast<uint32_t>(INT32_MAX) - d) / 10)
            fits = false;
        else if (fits)
            n = n * 10 + d;
        Advance();
    }
    *value = fits ? n : 0;
    return fits;
}

void CTranscriber::SpellDigits(const std::string& digits) {
    for (char c : digits) SpellLetter(static_cast<unsigned char>(c));
}

void CTranscriber::ReadNumber() {
    const CLetterToSoundRules& r = *rules_;
    uint32_t value = 0;
    std::string digits;
    const bool fits = ReadDigits(&value, &digits);
    if (fits) {
        // The last digit decides the suffix (21ST, 22ND, 23RD), except that the teens 11 to 13, also
        // in 111 or 2012, take TH like the other teens.
        const int last = digits.back() - '0';
        const bool teen = digits.size() >= 2 && digits[digits.size() - 2] == '1';
        const char* suffix = teen ? "TH" : last == 1 ? "ST" : last == 2 ? "ND" : last == 3 ? "RD" : "TH";
        if (InByteRange(c0_) && InByteRange(c1_) && std::toupper(c0_) == suffix[0] &&
            std::toupper(c1_) == suffix[1] && !IsAlnum(c2_)) {
            SayOrdinal(static_cast<int32_t>(value));
            Advance();
            Advance();
            return;
        }
        SayCardinal(static_cast<int32_t>(value));
    } else {
        SpellDigits(digits);
    }
    if (c0_ == static_cast<unsigned char>(r.DecimalPoint()) && IsDigit(c1_)) {
        EmitPhonemes(r.Word(kWordPoint), true);
        Advance();
        while (IsDigit(c0_)) {
            SpellLetter(c0_);
            Advance();
        }
    }
    if (c0_ == '%') {
        SpellLetter(c0_);
        Advance();
    }
    while (IsAlpha(c0_)) {
        SpellLetter(c0_);
        Advance();
    }
}

void CTranscriber::ReadMoney() {
    const CLetterToSoundRules& r = *rules_;
    auto say = [this](const char* word) { EmitPhonemes(word, true); };
    Advance(); // the '$'
    uint32_t value = 0;
    std::string digits;
    if (ReadDigits(&value, &digits))
        SayCardinal(static_cast<int32_t>(value));
    else
        SpellDigits(digits);
    const char* unit = value == 1 ? r.Word(kWordDollar) : r.Word(kWordDollars);
    if (!(c0_ == static_cast<unsigned char>(r.DecimalPoint()) && IsDigit(c1_))) {
        say(unit);
        return;
    }
    Advance(); // the decimal point
    if (IsDigit(c0_) && IsDigit(c1_) && !IsDigit(c2_)) {
        say(unit);
        const int cents = (c0_ - '0') * 10 + (c1_ - '0');
        Advance();
        Advance();
        if (cents == 0) return;
        say(r.Word(kWordAnd));
        SayCardinal(cents);
        say(cents == 1 ? r.Word(kWordCent) : r.Word(kWordCents));
        return;
    }
    say(r.Word(kWordPoint));
    while (IsDigit(c0_)) {
        SpellLetter(c0_);
        Advance();
    }
    say(r.Word(kWordDollars));
}

void CTranscriber::ReadWebAddress() {
    std::string part;
    for (;;) {
        if (c0_ == '.') {
            EmitWord("DOT", 3);
            Advance();
            continue;
        }
        if (c0_ == 0 || IsSpace(c0_)) return;
        part.clear();
        while (c0_ != 0 && c0_ != '.' && !IsSpace(c0_) && static_cast<int>(part.size()) < kLongestAddressPart) {
            part.push_back(static_cast<char>(IsAlpha(c0_) ? std::toupper(c0_) : c0_));
            Advance();
        }
        EmitWord(part.c_str(), static_cast<int>(part.size()));
    }
}

void CTranscriber::ReadEmail(const char* word, int length) {
    EmitWord(word, length);
    EmitWord("AT", 2);
    Advance(); // the '@'
    ReadWebAddress();
}

void CTranscriber::ReadTitle(const char* word, int length) {
    const std::string w(word, static_cast<size_t>(length));
    const char* said = w == "DR" ? "DOCTOR" : w == "MR" ? "MISTER" : w == "MRS" ? "MISSUS" : nullptr;
    if (said) {
        EmitWord(said, static_cast<int>(std::strlen(said)));
        Advance();
    } else if (w == "PHD") {
        SpellWord(word, length);
        Advance();
    } else {
        // The full stop stays: it ends the sentence.
        EmitWord(word, length);
    }
}
