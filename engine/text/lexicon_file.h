// Languages for the transcriber: the built-in English one made from the dictionary text, and
// lexicon files (".zlex": a header, then a packed block with a rule set and a dictionary), with
// the writer that makes them. Called by the language manager.
#pragma once

#include <string>

#include "engine/text/transcriber_info.h"

class CTranscriber;
class CLetterToSoundRules;
class CPronunciationDictionary;

constexpr int32_t kLexiconMagic = 0x44494354; // "TCID" in the file
constexpr int kLexiconVersion = 1;
// The language manager lists a lexicon file from this many bytes of its start.
constexpr int kLexiconInfoBytes = 128;

// Fills info from the header at data. 0; 12 for a wrong magic or a field cut short; 21 for a
// version above 1. The phone-constraints text is read past and dropped.
int ReadLexiconInfo(const void* data, int size, TranscriberInfo* info);
// Reads a lexicon file and builds its transcriber (one reference, the caller's). 0; 10 when the
// file does not open; kErrIsFolder, kErrIsDevice, kErrIsPipe or kErrNotOrdinaryFile for a path
// that is no file; kErrBadLexicon for a damaged file (not 12, whose text speaks of WAV files);
// 21 for a newer version; 1 when memory runs out. out is null on an error.
int LoadLexiconFile(const char* path, CTranscriber** out);
// The same over lexicon bytes in memory, with 12 for damaged bytes.
int LoadLexiconData(const void* data, int size, CTranscriber** out);
// The built-in language: a dictionary from the "WORD=phones" text and the built-in English rules.
// 0, or 1 when memory runs out (out null). Its TranscriberInfo is all zero.
int CreateDefaultTranscriber(const char* text, int length, CTranscriber** out);
// Releases one reference; null is ignored.
void DestroyTranscriber(CTranscriber* transcriber);

// Writes a lexicon file: the header from info (a locale and the constraints text only when their
// flags are set), then the rule set and the dictionary packed. 0, 11 when the file cannot be
// written, 1 when memory runs out.
int WriteLexiconFile(const char* path, const TranscriberInfo& info, const std::string& phoneConstraints,
                     const CLetterToSoundRules& rules, const CPronunciationDictionary& dictionary);
