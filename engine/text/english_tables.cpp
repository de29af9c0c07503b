// The built-in English language tables: the letter-to-sound rules (357 context rules in 27
// groups, outputs in the system's phoneme codes), the number words, the character names and the
// character map from code page 1252. Read by the built-in rule set.
#include "engine/text/english_tables.h"

namespace {

// Group '@', 10 rules.
const LtsRule kPunctuationRules[] = {
    {"", " ", "", " "},
    {"", "-", "", ""},
    {".", "'S", "", "z"},
    {"#:.E", "'S", "", "z"},
    {"#", "'S", "", "z"},
    {"", "'", "", ""},
    {"", ",", "", " "},
    {"", ".", "", " "},
    {"", "?", "", " "},
    {"", "!", "", " "},
    {nullptr, nullptr, nullptr, nullptr},
};

// Group A, 33 rules.
const LtsRule kRulesA[] = {
    {"", "A", " ", "AH"},
    {" ", "ARE", " ", "AAr"},
    {" ", "AR", "O", "AHr"},
    {"", "AR", "#", "EHr"},
    {"^", "AS", "#", "EYs"},
    {"", "A", "WA", "AH"},
    {"", "AW", "", "AO"},
    {" :", "ANY", "", "EHnIY"},
    {"", "A", "^+#", "EY"},
    {"#:", "ALLY", "", "AHlIY"},
    {" ", "AL", "#", "AHl"},
    {"", "AGAIN", "", "AHgEHn"},
    {"#:", "AG", "E", "IHj"},
    {"", "A", "^+:#", "AE"},
    {" :", "A", "^+ ", "EY"},
    {"", "A", "^%", "EY"},
    {" ", "ARR", "", "AHr"},
    {"", "ARR", "", "AEr"},
    {" :", "AR", " ", "AAr"},
    {"", "AR", " ", "ER"},
    {"", "AR", "", "AAr"},
    {"", "AIR", "", "EHr"},
    {"", "AI", "", "EY"},
    {"", "AY", "", "EY"},
    {"", "AU", "", "AO"},
    {"#:", "AL", " ", "AHl"},
    {"#:", "ALS", " ", "AHlz"},
    {"", "ALK", "", "AOk"},
    {"", "AL", "^", "AOl"},
    {" :", "ABLE", "", "EYbAHl"},
    {"", "ABLE", "", "AHbAHl"},
    {"", "ANG", "+", "EYnj"},
    {"", "A", "", "AE"},
    {nullptr, nullptr, nullptr, nullptr},
};

// Group B, 6 rules.
const LtsRule kRulesB[] = {
    {" ", "BE", "^#", "bIH"},
    {"", "BEING", "", "bIYIHNG"},
    {" ", "BOTH", " ", "bOWTH"},
    {" ", "BUS", "#", "bIHz"},
    {"", "BUIL", "", "bIHl"},
    {"", "B", "", "b"},
    {nullptr, nullptr, nullptr, nullptr},
};

// Group C, 11 rules.
const LtsRule kRulesC[] = {
    {" ", "CH", "^", "k"},
    {"^E", "CH", "", "k"},
    {"", "CH", "", "CH"},
    {" S", "CI", "#", "sAY"},
    {"", "CI", "A", "SH"},
    {"", "CI", "O", "SH"},
    {"", "CI", "EN", "SH"},
    {"", "C", "+", "s"},
    {"", "CK", "", "k"},
    {"", "COM", "%", "kAHm"},
    {"", "C", "", "k"},
    {nullptr, nullptr, nullptr, nullptr},
};

// Group D, 10 rules.
const LtsRule kRulesD[] = {
    {"#:", "DED", " ", "dIHd"},
    {".E", "D", " ", "d"},
    {"#:^E", "D", " ", "t"},
    {" ", "DE", "^#", "dIH"},
    {" ", "DO", " ", "dUW"},
    {" ", "DOES", "", "dAHz"},
    {" ", "DOING", "", "dUWIHNG"},
    {" ", "DOW", "", "dAW"},
    {"", "DU", "A", "jUW"},
    {"", "D", "", "d"},
    {nullptr, nullptr, nullptr, nullptr},
};

// Group E, 53 rules.
const LtsRule kRulesE[] = {
    {"#:", "E", " ", ""},
    {"':^", "E", " ", ""},
    {" :", "E", " ", "IY"},
    {"#", "ED", " ", "d"},
    {"#:", "E", "D ", ""},
    {"", "EV", "ER", "EHv"},
    {"", "E", "^%", "IY"},
    {"", "ERI", "#", "IYrIY"},
    {"", "ERI", "", "EHrIH"},
    {"#:", "ER", "#", "ER"},
    {"", "ER", "#", "EHr"},
    {"", "ER", "", "ER"},
    {" ", "EVEN", "", "IYvEHn"},
    {"#:", "E", "W", ""},
    {"T", "EW", "", "UW"},
    {"S", "EW", "", "UW"},
    {"R", "EW", "", "UW"},
    {"D", "EW", "", "UW"},
    {"L", "EW", "", "UW"},
    {"Z", "EW", "", "UW"},
    {"N", "EW", "", "UW"},
    {"J", "EW", "", "UW"},
    {"TH", "EW", "", "UW"},
    {"CH", "EW", "", "UW"},
    {"SH", "EW", "", "UW"},
    {"", "EW", "", "yUW"},
    {"", "E", "O", "IY"},
    {"#:S", "ES", " ", "IHz"},
    {"#:C", "ES", " ", "IHz"},
    {"#:G", "ES", " ", "IHz"},
    {"#:Z", "ES", " ", "IHz"},
    {"#:X", "ES", " ", "IHz"},
    {"#:J", "ES", " ", "IHz"},
    {"#:CH", "ES", " ", "IHz"},
    {"#:SH", "ES", " ", "IHz"},
    {"#:", "E", "S ", ""},
    {"#:", "ELY", " ", "lIY"},
    {"#:", "EMENT", "", "mEHnt"},
    {"", "EFUL", "", "fUHl"},
    {"", "EE", "", "IY"},
    {"", "EARN", "", "ERn"},
    {" ", "EAR", "^", "ER"},
    {"", "EAD", "", "EHd"},
    {"#:", "EA", " ", "IYAH"},
    {"", "EA", "SU", "EH"},
    {"", "EA", "", "IY"},
    {"", "EIGH", "", "EY"},
    {"", "EI", "", "IY"},
    {" ", "EYE", "", "AY"},
    {"", "EY", "", "EY"},
    {"", "EU", "", "yUW"},
    {"", "E", " ", ""},
    {"", "E", "", "EH"},
    {nullptr, nullptr, nullptr, nullptr},
};

// Group F, 2 rules.
const LtsRule kRulesF[] = {
    {"", "FUL", "", "fUHl"},
    {"", "F", "", "f"},
    {nullptr, nullptr, nullptr, nullptr},
};

// Group G, 10 rules.
const LtsRule kRulesG[] = {
    {"", "GIV", "", "gIHv"},
    {" ", "G", "I^", "g"},
    {"", "GE", "T", "gEH"},
    {"SU", "GGES", "", "gjEHs"},
    {"", "GG", "", "g"},
    {" B#", "G", "", "g"},
    {"", "G", "+", "j"},
    {"", "GREAT", "", "grEYt"},
    {"#", "GH", "", ""},
    {"", "G", "", "g"},
    {nullptr, nullptr, nullptr, nullptr},
};

// Group H, 6 rules.
const LtsRule kRulesH[] = {
    {" ", "HAV", "", "hAEv"},
    {" ", "HERE", "", "hIYr"},
    {" ", "HOUR", "", "AWER"},
    {"", "HOW", "", "hAW"},
    {"", "H", "#", "h"},
    {"", "H", "", ""},
    {nullptr, nullptr, nullptr, nullptr},
};

// Group I, 28 rules.
const LtsRule kRulesI[] = {
    {" ", "IN", "", "IHn"},
    {" ", "I", " ", "AY"},
    {"", "IN", "D", "AYn"},
    {"", "IER", "", "IYER"},
    {"#:R", "IED", "", "IYd"},
    {"", "IED", " ", "AYd"},
    {"", "IEN", "", "IYEHn"},
    {"", "IE", "T", "AYEH"},
    {"", "IE", "", "IY"},
    {" :", "I", "%", "AY"},
    {"", "I", "%", "IY"},
    {"", "I", "^+:#", "IH"},
    {"", "IR", "#", "AYr"},
    {"", "IZ", "%", "AYz"},
    {"", "IS", "%", "AYz"},
    {"", "I", "D%", "AY"},
    {"+^", "I", "^+", "IH"},
    {"", "I", "T%", "AY"},
    {"#:^", "I", "^+", "IH"},
    {"", "I", "^+", "AY"},
    {"", "IR", "", "ER"},
    {"", "IGH", "", "AY"},
    {"", "ILD", "", "AYld"},
    {"", "IGN", " ", "AYn"},
    {"", "IGN", "^", "AYn"},
    {"", "IGN", "%", "AYn"},
    {"", "IQUE", "", "IYk"},
    {"", "I", "", "IH"},
    {nullptr, nullptr, nullptr, nullptr},
};

// Group J, 1 rules.
const LtsRule kRulesJ[] = {
    {"", "J", "", "j"},
    {nullptr, nullptr, nullptr, nullptr},
};

// Group K, 2 rules.
const LtsRule kRulesK[] = {
    {" ", "K", "N", ""},
    {"", "K", "", "k"},
    {nullptr, nullptr, nullptr, nullptr},
};

// Group L, 5 rules.
const LtsRule kRulesL[] = {
    {"", "LO", "C#", "lOW"},
    {"L", "L", "", ""},
    {"#:^", "L", "%", "AHl"},
    {"", "LEAD", "", "lIYd"},
    {"", "L", "", "l"},
    {nullptr, nullptr, nullptr, nullptr},
};

// Group M, 2 rules.
const LtsRule kRulesM[] = {
    {"", "MOV", "", "mUWv"},
    {"", "M", "", "m"},
    {nullptr, nullptr, nullptr, nullptr},
};

// Group N, 8 rules.
const LtsRule kRulesN[] = {
    {"E", "NG", "+", "nj"},
    {"", "NG", "R", "NGg"},
    {"", "NG", "#", "NGg"},
    {"", "NGL", "%", "NGgAHl"},
    {"", "NG", "", "NG"},
    {"", "NK", "", "NGk"},
    {" ", "NOW", " ", "nAW"},
    {"", "N", "", "n"},
    {nullptr, nullptr, nullptr, nullptr},
};

// Group O, 48 rules.
const LtsRule kRulesO[] = {
    {"", "OF", " ", "AHv"},
    {"", "OROUGH", "", "EROW"},
    {"#:", "OR", " ", "ER"},
    {"#:", "ORS", " ", "ERz"},
    {"", "OR", "", "AOr"},
    {" ", "ONE", "", "wAHn"},
    {"", "OW", "", "OW"},
    {" ", "OVER", "", "OWvER"},
    {"", "OV", "", "AHv"},
    {"", "O", "^%", "OW"},
    {"", "O", "^EN", "OW"},
    {"", "O", "^I#", "OW"},
    {"", "OL", "D", "OWl"},
    {"", "OUGHT", "", "AOt"},
    {"", "OUGH", "", "AHf"},
    {" ", "OU", "", "AW"},
    {"H", "OU", "S#", "AW"},
    {"", "OUS", "", "AHs"},
    {"", "OUR", "", "AOr"},
    {"", "OULD", "", "UHd"},
    {"^", "OU", "^L", "AH"},
    {"", "OUP", "", "UWp"},
    {"", "OU", "", "AW"},
    {"", "OY", "", "OY"},
    {"", "OING", "", "OWIHNG"},
    {"", "OI", "", "OY"},
    {"", "OOR", "", "AOr"},
    {"", "OOK", "", "UHk"},
    {"", "OOD", "", "UHd"},
    {"", "OO", "", "UW"},
    {"", "O", "E", "OW"},
    {"", "O", " ", "OW"},
    {"", "OA", "", "OW"},
    {" ", "ONLY", "", "OWnlIY"},
    {" ", "ONCE", "", "wAHns"},
    {"", "ON'T", "", "OWnt"},
    {"C", "O", "N", "AA"},
    {"", "O", "NG", "AO"},
    {" :^", "O", "N", "AH"},
    {"I", "ON", "", "AHn"},
    {"#:", "ON", " ", "AHn"},
    {"#^", "ON", "", "AHn"},
    {"", "O", "ST ", "OW"},
    {"", "OF", "^", "AOf"},
    {"", "OTHER", "", "AHDHER"},
    {"", "OSS", " ", "AOs"},
    {"#:^", "OM", "", "AHm"},
    {"", "O", "", "AA"},
    {nullptr, nullptr, nullptr, nullptr},
};

// Group P, 5 rules.
const LtsRule kRulesP[] = {
    {"", "PH", "", "f"},
    {"", "PEOP", "", "pIYp"},
    {"", "POW", "", "pAW"},
    {"", "PUT", " ", "pUHt"},
    {"", "P", "", "p"},
    {nullptr, nullptr, nullptr, nullptr},
};

// Group Q, 3 rules.
const LtsRule kRulesQ[] = {
    {"", "QUAR", "", "kwAOr"},
    {"", "QU", "", "kw"},
    {"", "Q", "", "k"},
    {nullptr, nullptr, nullptr, nullptr},
};

// Group R, 2 rules.
const LtsRule kRulesR[] = {
    {" ", "RE", "^#", "rIY"},
    {"", "R", "", "r"},
    {nullptr, nullptr, nullptr, nullptr},
};

// Group S, 24 rules.
const LtsRule kRulesS[] = {
    {"", "SH", "", "SH"},
    {"#", "SION", "", "ZHAHn"},
    {"", "SOME", "", "sAHm"},
    {"#", "SUR", "#", "ZHER"},
    {"", "SUR", "#", "SHER"},
    {"#", "SU", "#", "ZHUW"},
    {"#", "SSU", "#", "SHUW"},
    {"#", "SED", " ", "zd"},
    {"#", "S", "#", "z"},
    {"", "SAID", "", "sEHd"},
    {"^", "SION", "", "SHAHn"},
    {"", "S", "S", ""},
    {".", "S", " ", "z"},
    {"#:.E", "S", " ", "z"},
    {"#:^##", "S", " ", "z"},
    {"#:^#", "S", " ", "s"},
    {"U", "S", " ", "s"},
    {" :#", "S", " ", "z"},
    {" ", "SCH", "#", "sk"},
    {" ", "SCH", "", "SH"},
    {"", "S", "C+", ""},
    {"#", "SM", "", "zm"},
    {"#", "SN", "'", "zAHn"},
    {"", "S", "", "s"},
    {nullptr, nullptr, nullptr, nullptr},
};

// Group T, 26 rules.
const LtsRule kRulesT[] = {
    {" ", "THE", " ", "DHAH"},
    {"", "TO", " ", "tUW"},
    {"", "THAT", " ", "DHAEt"},
    {" ", "THIS", " ", "DHIHs"},
    {" ", "THEY", "", "DHEY"},
    {" ", "THERE", "", "DHEHr"},
    {"", "THER", "", "DHER"},
    {"", "THEIR", "", "DHEHr"},
    {" ", "THAN", " ", "DHAEn"},
    {" ", "THEM", " ", "DHEHm"},
    {"", "THESE", " ", "DHIYz"},
    {" ", "THEN", "", "DHEHn"},
    {"", "THROUGH", "", "THrUW"},
    {"", "THOSE", "", "DHOWz"},
    {"", "THOUGH", " ", "DHOW"},
    {" ", "THUS", "", "DHAHs"},
    {"", "TH", "", "TH"},
    {"#:", "TED", " ", "tIHd"},
    {"S", "TI", "#N", "CH"},
    {"", "TI", "O", "SH"},
    {"", "TI", "A", "SH"},
    {"", "TIEN", "", "SHAHn"},
    {"", "TUR", "#", "CHER"},
    {"", "TU", "A", "CHUW"},
    {" ", "TWO", "", "tUW"},
    {"", "T", "", "t"},
    {nullptr, nullptr, nullptr, nullptr},
};

// Group U, 35 rules.
const LtsRule kRulesU[] = {
    {" ", "UN", "I", "yUWn"},
    {" ", "UN", "", "AHn"},
    {" ", "UPON", "", "AHpAOn"},
    {"T", "UR", "#", "UHr"},
    {"S", "UR", "#", "UHr"},
    {"R", "UR", "#", "UHr"},
    {"D", "UR", "#", "UHr"},
    {"L", "UR", "#", "UHr"},
    {"Z", "UR", "#", "UHr"},
    {"N", "UR", "#", "UHr"},
    {"J", "UR", "#", "UHr"},
    {"TH", "UR", "#", "UHr"},
    {"CH", "UR", "#", "UHr"},
    {"SH", "UR", "#", "UHr"},
    {"", "UR", "#", "yUHr"},
    {"", "UR", "", "ER"},
    {"", "U", "^ ", "AH"},
    {"", "U", "^^", "AH"},
    {"", "UY", "", "AY"},
    {" G", "U", "#", ""},
    {"G", "U", "%", ""},
    {"G", "U", "#", "w"},
    {"#N", "U", "", "yUW"},
    {"T", "U", "", "UW"},
    {"S", "U", "", "UW"},
    {"R", "U", "", "UW"},
    {"D", "U", "", "UW"},
    {"L", "U", "", "UW"},
    {"Z", "U", "", "UW"},
    {"N", "U", "", "UW"},
    {"J", "U", "", "UW"},
    {"TH", "U", "", "UW"},
    {"CH", "U", "", "UW"},
    {"SH", "U", "", "UW"},
    {"", "U", "", "yUW"},
    {nullptr, nullptr, nullptr, nullptr},
};

// Group V, 2 rules.
const LtsRule kRulesV[] = {
    {"", "VIEW", "", "vyUW"},
    {"", "V", "", "v"},
    {nullptr, nullptr, nullptr, nullptr},
};

// Group W, 12 rules.
const LtsRule kRulesW[] = {
    {" ", "WERE", "", "wER"},
    {"", "WA", "S", "wAA"},
    {"", "WA", "T", "wAA"},
    {"", "WHERE", "", "wEHr"},
    {"", "WHAT", "", "wAAt"},
    {"", "WHOL", "", "hOWl"},
    {"", "WHO", "", "hUW"},
    {"", "WH", "", "w"},
    {"", "WAR", "", "wAOr"},
    {"", "WOR", "^", "wER"},
    {"", "WR", "", "r"},
    {"", "W", "", "w"},
    {nullptr, nullptr, nullptr, nullptr},
};

// Group X, 1 rules.
const LtsRule kRulesX[] = {
    {"", "X", "", "ks"},
    {nullptr, nullptr, nullptr, nullptr},
};

// Group Y, 11 rules.
const LtsRule kRulesY[] = {
    {"", "YOUNG", "", "yAHNG"},
    {" ", "YOU", "", "yUW"},
    {" ", "YES", "", "yEHs"},
    {" ", "Y", "", "y"},
    {"#:^", "Y", " ", "IY"},
    {"#:^", "Y", "I", "IY"},
    {" :", "Y", " ", "AY"},
    {" :", "Y", "#", "AY"},
    {" :", "Y", "^+:#", "IH"},
    {" :", "Y", "^#", "AY"},
    {"", "Y", "", "IH"},
    {nullptr, nullptr, nullptr, nullptr},
};

// Group Z, 1 rules.
const LtsRule kRulesZ[] = {
    {"", "Z", "", "z"},
    {nullptr, nullptr, nullptr, nullptr},
};

}  // namespace

const LtsRuleGroup kEnglishRuleGroups[kEnglishGroupCount] = {
    {'@', kPunctuationRules},
    {'A', kRulesA},
    {'B', kRulesB},
    {'C', kRulesC},
    {'D', kRulesD},
    {'E', kRulesE},
    {'F', kRulesF},
    {'G', kRulesG},
    {'H', kRulesH},
    {'I', kRulesI},
    {'J', kRulesJ},
    {'K', kRulesK},
    {'L', kRulesL},
    {'M', kRulesM},
    {'N', kRulesN},
    {'O', kRulesO},
    {'P', kRulesP},
    {'Q', kRulesQ},
    {'R', kRulesR},
    {'S', kRulesS},
    {'T', kRulesT},
    {'U', kRulesU},
    {'V', kRulesV},
    {'W', kRulesW},
    {'X', kRulesX},
    {'Y', kRulesY},
    {'Z', kRulesZ},
};

// Every word ends with a blank, so a separator follows it in the phoneme string.
const char* const kEnglishCardinals[20] = {
    "zIHrOW ", "wAHn ", "tUW ", "THrIY ",
    "fOWr ", "fAYv ", "sIHks ", "sEHvAHn ",
    "EYt ", "nAYn ", "tEHn ", "IYlEHvAHn ",
    "twEHlv ", "THERtIYn ", "fOWrtIYn ", "fIHftIYn ",
    "sIHkstIYn ", "sEHvEHntIYn ", "EYtIYn ", "nAYntIYn ",
};

const char* const kEnglishTens[8] = {
    "twEHntIY ", "THERtIY ", "fAOrtIY ", "fIHftIY ",
    "sIHkstIY ", "sEHvEHntIY ", "EYtIY ", "nAYntIY ",
};

const char* const kEnglishOrdinals[20] = {
    "zIHrOWEHTH ", "fERst ", "sEHkAHnd ", "THERd ",
    "fOWrTH ", "fIHfTH ", "sIHksTH ", "sEHvEHnTH ",
    "EYtTH ", "nAYnTH ", "tEHnTH ", "IYlEHvEHnTH ",
    "twEHlvTH ", "THERtIYnTH ", "fAOrtIYnTH ", "fIHftIYnTH ",
    "sIHkstIYnTH ", "sEHvEHntIYnTH ", "EYtIYnTH ", "nAYntIYnTH ",
};

const char* const kEnglishOrdinalTens[8] = {
    "twEHntIYEHTH ", "THERtIYEHTH ", "fOWrtIYEHTH ", "fIHftIYEHTH ",
    "sIHkstIYEHTH ", "sEHvEHntIYEHTH ", "EYtIYEHTH ", "nAYntIYEHTH ",
};

// In the order of LtsWord; the separator alone has no blank.
const char* const kEnglishWords[kWordCount] = {
    "x", "AEnd ", "pOYnt ", "dAAlER ",
    "dAAlAArz ", "sEHnt ", "sEHnts ", "IHnfIHnIHtIY ",
    "mAYnAHs ", "mAHnAHs ", "hAHndrEHd ", "hAHndrEHdTH ",
    "THAWzAEnd ", "THAWzAEndTH ", "mIHlIYAHn ", "mIHlIYAHnTH ",
    "bIHlIYAHn ", "bIHlIYAHnTH ", "bIHlIYAHnTH ", "mIHlIYAHnTH ",
};

// By character code; the letters of both cases share their names.
const char* const kEnglishCharacterNames[kEnglishCharacterNameCount] = {
    "nUWl ", "stAArt AHv hEHdER ", "stAArt AHv tEHkst ", "EHnd AHv tEHkst ",
    "EHnd AHv trAEnsmIHSHAHn", "EHnkwAYr ", "AEk ", "bEHl ",
    "bAEkspEYs ", "tAEb ", "lIHnIYfIYd ", "vERtIHkAHl tAEb ",
    "fAOrmfIYd ", "kAErAYj rIYtERn ", "SHIHft AWt ", "SHIHft IHn ",
    "dIHlIYt ", "dIHvIHs kAAntrAAl wAHn ", "dIHvIHs kAAntrAAl tUW ", "dIHvIHs kAAntrAAl THrIY ",
    "dIHvIHs kAAntrAAl fOWr ", "nAEk ", "sIHnk ", "EHnd tEHkst blAAk ",
    "kAEnsEHl ", "EHnd AHv mEHsIHj ", "sUWbstIHtUWt ", "EHskEYp ",
    "fAYEHld sIYpERAEtER ", "grUWp sIYpERAEtER ", "rIYkAOrd sIYpERAEtER ", "yUWnIHt sIYpERAEtER ",
    "spEYs ", "EHksklAEmEYSHAHn mAArk ", "dAHbl kwOWt ", "nUWmbER sAYn ",
    "dAAlER sAYn ", "pERsEHnt ", "AEt ", "kwOWt ",
    "OWpEHn pEHrEHn ", "klOWz pEHrEHn ", "AEstEHrIHsk ", "plAHs ",
    "kAAmmAH ", "mIHnAHs ", "pIYrIYAAd ", "slAESH ",
    "zIHrOW ", "wAHn ", "tUW ", "THrIY ",
    "fOWr ", "fAYv ", "sIHks ", "sEHvAHn ",
    "EYt ", "nAYn ", "kAAlAHn ", "sEHmIHkAAlAHn ",
    "lEHs DHAEn ", "EHkwAHl sAYn ", "grEYtER DHAEn ", "kwEHsCHAHn mAArk ",
    "AEt sAYn ", "EY ", "bIY ", "sIY ",
    "dIY ", "IY ", "EHf ", "jIY  ",
    "EYtCH ", "AY ", "jEY ", "kEY ",
    "EHl ", "EHm ", "EHn ", "AA ",
    "pIY ", "kIYyUW ", "AAr ", "EHz ",
    "tIY ", "AHw ", "vIY ", "dAHblyUWw ",
    "EHks ", "wAYIY ", "zIY ", "lEHft brAEkEHt ",
    "bAEkslAESH ", "rAYt brAEkEHt ", "kAErEHt ", "AHndERskAOr ",
    "AEpAAstrAAfIH ", "EY ", "bIY ", "sIY ",
    "dIY ", "IY ", "EHf ", "jIY  ",
    "EYtCH ", "AY ", "jEY ", "kEY ",
    "EHl ", "EHm ", "EHn ", "AA ",
    "pIY ", "kIYyUW ", "AAr ", "EHz ",
    "tIY ", "AHw ", "vIY ", "dAHblyUWw ",
    "EHks ", "wAYIY ", "zIY ", "lEHft brEYs ",
    "vERtIHkAHl bAAr ", "rAYt brEYs ", "tAYld ", "dEHl ",
};

// Typographic quotes and dashes become plain ones and accented Latin letters lose their
// accents; every code not listed maps to itself.
const CharacterMapChange kEnglishCharacterMapChanges[kEnglishCharacterMapChangeCount] = {
    {0x81, 0x81, 0x20},
    {0x82, 0x82, 0x27},
    {0x83, 0x83, 0x66},
    {0x84, 0x84, 0x22},
    {0x85, 0x85, 0x2E},
    {0x88, 0x88, 0x5E},
    {0x89, 0x89, 0x25},
    {0x8A, 0x8A, 0x53},
    {0x8B, 0x8B, 0x3C},
    {0x8D, 0x8D, 0x20},
    {0x8E, 0x8E, 0x5A},
    {0x8F, 0x90, 0x20},
    {0x91, 0x92, 0x27},
    {0x93, 0x94, 0x22},
    {0x95, 0x95, 0x2A},
    {0x96, 0x97, 0x2D},
    {0x98, 0x98, 0x7E},
    {0x9A, 0x9A, 0x73},
    {0x9B, 0x9B, 0x3E},
    {0x9E, 0x9E, 0x7A},
    {0x9F, 0x9F, 0x59},
    {0xA0, 0xA0, 0x20},
    {0xA1, 0xA1, 0x21},
    {0xA6, 0xA6, 0x7C},
    {0xAB, 0xAB, 0x3C},
    {0xAD, 0xAD, 0x2D},
    {0xAF, 0xAF, 0x2D},
    {0xB2, 0xB2, 0x32},
    {0xB3, 0xB3, 0x33},
    {0xB4, 0xB4, 0x27},
    {0xB7, 0xB7, 0x2D},
    {0xB8, 0xB8, 0x2C},
    {0xB9, 0xB9, 0x31},
    {0xBB, 0xBB, 0x3E},
    {0xBF, 0xBF, 0x3F},
    {0xC0, 0xC5, 0x41},
    {0xC7, 0xC7, 0x43},
    {0xC8, 0xCB, 0x45},
    {0xCC, 0xCF, 0x49},
    {0xD0, 0xD0, 0x44},
    {0xD1, 0xD1, 0x4E},
    {0xD2, 0xD6, 0x4F},
    {0xD8, 0xD8, 0x4F},
    {0xD9, 0xDC, 0x55},
    {0xDD, 0xDD, 0x59},
    {0xE0, 0xE5, 0x61},
    {0xE7, 0xE7, 0x63},
    {0xE8, 0xEB, 0x65},
    {0xEC, 0xEF, 0x69},
    {0xF0, 0xF0, 0x64},
    {0xF1, 0xF1, 0x6E},
    {0xF2, 0xF6, 0x6F},
    {0xF7, 0xF7, 0x2F},
    {0xF8, 0xF8, 0x6F},
    {0xF9, 0xFC, 0x75},
    {0xFD, 0xFD, 0x79},
    {0xFF, 0xFF, 0x79},
};
