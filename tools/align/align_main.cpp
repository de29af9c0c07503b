// Developer tool: aligns a recording with a script (or recognises it without text) through the
// engine's entry points, the way the application's recognition command drives them, and writes
// a results file or prints the records. Used by later work and the benchmarks.
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <iostream>
#include <sstream>
#include <string>
#include <vector>

#include "engine/analysis/observation_stream.h"
#include "engine/api/error_codes.h"
#include "engine/api/progress.h"
#include "engine/api/sync_marker.h"
#include "engine/audio/default_audio_readers.h"
#include "engine/audio/memory_pcm_stream.h"
#include "engine/recognition/acoustic_hmm.h"
#include "engine/recognition/textbased_recognizer.h"
#include "engine/recognition/textless_recognizer.h"
#include "engine/text/lexicon_file.h"
#include "engine/text/text_encoding.h"
#include "engine/text/transcriber.h"
#include "engine/util/file_utils.h"
#include "engine/util/resource_data.h"
#include "model/sync_results_file.h"

namespace {

const char* const kUsage =
    "usage: murmurex_align [options] AUDIO\n"
    "\n"
    "Aligns AUDIO (WAV, NIST, MP3 or Ogg Vorbis) with a script, or recognises its phonemes without\n"
    "one, through the engine's entry points, and prints the records or writes a results file.\n"
    "\n"
    "Script (text-based alignment; without one the recognition is textless):\n"
    "  --script FILE          script text file (UTF-8, or code page 1252 when not valid UTF-8);\n"
    "                         cut tags <cut ms=\"N\"/> split it into segments\n"
    "  --text TEXT            the script given on the command line\n"
    "  --lexicon FILE         a .zlex lexicon instead of the built-in English one\n"
    "\n"
    "Model:\n"
    "  --model FILE           acoustic model file (.hmm)\n"
    "  --builtin NAME         built-in model resource (default GENERIC_HMM; FAST_HMM becomes\n"
    "                         GENERIC_HMM for text-based alignment)\n"
    "  --constraints FILE     phone constraints text file\n"
    "  --default-constraints  the built-in phone constraint text\n"
    "  --trigram FILE         phone trigram language model (.trig) for textless recognition\n"
    "  --builtin-trigram      the built-in phone trigram model\n"
    "\n"
    "Search and results:\n"
    "  --beam N               beam width of the text-based search (500 to 8000; default 2000)\n"
    "  --sub-phonemes         add the sub-phoneme (state run) records\n"
    "  --no-rescale           keep the recogniser's phoneme values (no rescaling pass)\n"
    "  --start-ms N           align only the audio from N milliseconds on\n"
    "  --length-ms N          ... and this many milliseconds of it\n"
    "  --out FILE             write a results file (.zuvo) with the script\n"
    "  --print                print the records (the default without --out)\n"
    "  --quiet                print nothing but errors\n"
    "  -h, --help             this text\n"
    "\n"
    "Printed records, one per line: type start_ms end_ms label value \"text\"\n"
    "(type 1 phoneme, 2 word, 3 punctuation, 4 markup, 5 sub-phoneme).\n"
    "Exit status: 0, or the engine's error code (8: no complete path, still written).\n";

const char* const kDefaultConstraints =
    "mpbvfZHCHjSHszDHTHtNGgkhynd 180\ngds 240\nrERwUHUWAWIYIHAEAYEYEHlAAAHAOOWOY 350\n";

struct Options {
    std::string audio, scriptFile, text, lexicon, modelFile, builtin = "GENERIC_HMM";
    std::string constraintsFile, trigramFile, outFile;
    bool haveText = false, defaultConstraints = false, builtinTrigram = false;
    bool subPhonemes = false, rescale = true, print = false, quiet = false;
    int beam = 0, startMs = 0, lengthMs = -1;
};

bool ParseInt(const char* s, int* out) {
    char* end = nullptr;
    const long v = std::strtol(s, &end, 10);
    if (!s[0] || *end || v < -2147483647L || v > 2147483647L) return false;
    *out = static_cast<int>(v);
    return true;
}

int Fail(const std::string& message, int code = 2) {
    std::cerr << "murmurex_align: " << message << "\n";
    return code;
}

class CConsoleProgress : public CProgress {
public:
    explicit CConsoleProgress(bool quiet) : quiet_(quiet) {}
    void SetStatusText(const char* text) override {
        if (!quiet_) std::cerr << text << "\n";
    }
    bool Progress(int done, int total) override {
        if (!quiet_ && total > 0 && done % 6000 == 0) std::cerr << "  " << done << " / " << total << " frames\r";
        return false;
    }

private:
    bool quiet_;
};

}  // namespace

int main(int argc, char** argv) {
    Options o;
    for (int i = 1; i < argc; ++i) {
        const std::string a = argv[i];
        auto value = [&](std::string* out) {
            if (i + 1 >= argc) return false;
            *out = argv[++i];
            return true;
        };
        auto number = [&](int* out) { return i + 1 < argc && ParseInt(argv[++i], out); };
        bool ok = true;
        if (a == "-h" || a == "--help") {
            std::cout << kUsage;
            return 0;
        } else if (a == "--script") ok = value(&o.scriptFile);
        else if (a == "--text") ok = (o.haveText = value(&o.text));
        else if (a == "--lexicon") ok = value(&o.lexicon);
        else if (a == "--model") ok = value(&o.modelFile);
        else if (a == "--builtin") ok = value(&o.builtin);
        else if (a == "--constraints") ok = value(&o.constraintsFile);
        else if (a == "--default-constraints") o.defaultConstraints = true;
        else if (a == "--trigram") ok = value(&o.trigramFile);
        else if (a == "--builtin-trigram") o.builtinTrigram = true;
        else if (a == "--beam") ok = number(&o.beam);
        else if (a == "--sub-phonemes") o.subPhonemes = true;
        else if (a == "--no-rescale") o.rescale = false;
        else if (a == "--start-ms") ok = number(&o.startMs) && o.startMs >= 0;
        else if (a == "--length-ms") ok = number(&o.lengthMs) && o.lengthMs >= 0;
        else if (a == "--out") ok = value(&o.outFile);
        else if (a == "--print") o.print = true;
        else if (a == "--quiet") o.quiet = true;
        else if (!a.empty() && a[0] == '-') return Fail("unknown option " + a + " (see --help)");
        else if (o.audio.empty()) o.audio = a;
        else return Fail("more than one audio file given");
        if (!ok) return Fail("option " + a + " needs a valid value");
    }
    if (o.audio.empty()) return Fail("no audio file given (see --help)");
    if (!o.scriptFile.empty()) {
        if (o.haveText) return Fail("--script and --text exclude each other");
        std::ifstream in(o.scriptFile, std::ios::binary);
        if (!in) return Fail("cannot read script " + o.scriptFile, kErrFileNotFound);
        std::ostringstream s;
        s << in.rdbuf();
        o.text = s.str();
        o.haveText = true;
    }
    const bool textBased = o.haveText;
    if (textBased && o.text.find_first_not_of(" \t\r\n") == std::string::npos) {
        return Fail("the script is empty");
    }
    if (!o.print && o.outFile.empty()) o.print = !o.quiet;

    InstallDefaultAudioFileReaders();
    CMemoryPCMStream* audio = nullptr;
    PCMFormat target;
    target.sampleRate = 16000u << 16;
    target.bitsPerSample = 16;
    target.channels = 1;
    int code = CreateMemoryPCMStreamFromFile(o.audio.c_str(), &target, nullptr, &audio);
    if (code != 0) {
        if (audio) audio->Destroy();
        return Fail(o.audio + ": " + GetErrorMessage(code), code);
    }

    // The model: a file, or a built-in resource.
    std::vector<char> modelBytes;
    const void* modelData = nullptr;
    int modelSize = 0;
    if (!o.modelFile.empty()) {
        std::ifstream in(o.modelFile, std::ios::binary);
        if (!in) return Fail("cannot read model " + o.modelFile, kErrFileNotFound);
        modelBytes.assign(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
        modelData = modelBytes.data();
        modelSize = static_cast<int>(modelBytes.size());
    } else {
        std::string name = o.builtin;
        if (textBased && name == "FAST_HMM") name = "GENERIC_HMM";
        modelData = LoadResourceData(nullptr, "BLAH", name.c_str(), &modelSize, false);
        if (!modelData && name != "GENERIC_HMM") {
            modelData = LoadResourceData(nullptr, "BLAH", "GENERIC_HMM", &modelSize, false);
        }
        if (!modelData) return Fail("no built-in model " + name + " in this build; use --model FILE");
    }
    char errorText[kAccErrorTextSize] = {};
    CAccousticHMM* model = nullptr;
    code = CreateAccHMM(modelData, modelSize, errorText, &model);
    if (code != 0) return Fail(std::string("the model does not read: ") + errorText, code);

    if (!o.constraintsFile.empty()) {
        code = LoadPhoneConstraintsFileIntoHMM(model, o.constraintsFile.c_str(), 0);
        if (code != 0) return Fail(o.constraintsFile + ": " + GetErrorMessage(code), code);
    } else if (o.defaultConstraints) {
        LoadPhoneConstraintsIntoHMM(model, kDefaultConstraints, static_cast<int>(std::strlen(kDefaultConstraints)), 0);
    }
    if (!textBased) {
        if (!o.trigramFile.empty()) {
            code = LoadTrigramFileIntoHMM(model, o.trigramFile.c_str(), 0);
            if (code != 0) return Fail(o.trigramFile + ": " + GetErrorMessage(code), code);
        } else if (o.builtinTrigram) {
            int size = 0;
            const void* lm = LoadResourceDataById(nullptr, "BLAH", 180, &size, false);
            if (!lm) return Fail("no built-in trigram model in this build; use --trigram FILE");
            code = LoadTrigramIntoHMM(model, static_cast<const char*>(lm), size, 0);
            if (code != 0) return Fail(std::string("built-in trigram model: ") + GetErrorMessage(code), code);
        }
    }

    ISyncResultsCollection* results = nullptr;
    CreateSyncResultsCollection(0, &results);
    results->SetFlags(results->GetFlags() | (o.rescale ? kSyncFlagRescale : 0) |
                      (o.subPhonemes ? kSyncFlagStateRuns : 0));

    CMemoryPCMRangeStream* range = nullptr;
    CreateMemoryPCMRangeStream(audio, &range);
    const int startFrame = audio->MsToFrames(o.startMs);
    const int lengthFrames = o.lengthMs < 0 ? audio->GetFrameCount() : audio->MsToFrames(o.lengthMs);
    range->SetRange(audio->FramesToBytes(startFrame), audio->FramesToBytes(lengthFrames));
    range->Rewind();
    IObservationStream* obs = nullptr;
    code = CreateObservationStreamFromZuvoStream(range, model, &obs);
    if (code != 0) return Fail(std::string("feature stream: ") + GetErrorMessage(code), code);

    CConsoleProgress progress(o.quiet);
    Cp1252Text script = ConvertUtf8ToCp1252(o.text);
    CTranscriber* transcriber = nullptr;
    if (textBased) {
        if (!o.lexicon.empty()) {
            code = LoadLexiconFile(o.lexicon.c_str(), &transcriber);
        } else {
            int size = 0;
            const void* dict = LoadResourceDataById(nullptr, "BLAH", 165, &size, false);
            code = CreateDefaultTranscriber(static_cast<const char*>(dict), dict ? size : 0, &transcriber);
        }
        if (code != 0) return Fail(std::string("lexicon: ") + GetErrorMessage(code), code);
        CTextbasedPhnRecognizer* recognizer = nullptr;
        CTextbasedPhnRecognizer::CreateTextBasedRecognizer(&recognizer);
        if (o.beam > 0) recognizer->SetBeamWidth(o.beam);
        code = recognizer->RecognizePhonemes(obs, model, script.bytes.c_str(), transcriber, &progress, results);
        CTextbasedPhnRecognizer::DestroyTextBasedRecognizer(recognizer);
    } else {
        CTextlessPhnRecognizer* recognizer = nullptr;
        CTextlessPhnRecognizer::CreateTextlessPhnRecognizer(&recognizer);
        code = recognizer->RecognizePhonemes(obs, model, &progress, results);
        CTextlessPhnRecognizer::DestroyTextlessPhnRecognizer(recognizer);
    }
    if (!o.quiet) std::cerr << "\n";
    if (code != 0 && code != kErrNoPath) {
        std::cerr << "murmurex_align: " << GetErrorMessage(code) << "\n";
    } else {
        if (code == kErrNoPath) std::cerr << "murmurex_align: warning: " << GetErrorMessage(code) << "\n";
        // Text records count code page 1252 bytes; the results file counts the UTF-8 text.
        const int shiftMs = static_cast<int>(audio->FramesToMs(startFrame));
        for (SyncMarker* r = results->begin(); r != results->end(); ++r) {
            r->start += shiftMs;
            r->end += shiftMs;
            if (r->type == kSyncWord || r->type == kSyncSentence || r->type == kSyncXml) {
                const int a = script.Utf8Offset(r->textOffset);
                r->textLength = script.Utf8Offset(r->textOffset + r->textLength) - a;
                r->textOffset = a;
            }
        }
        if (o.print) {
            for (SyncMarker* r = results->begin(); r != results->end(); ++r) {
                std::printf("%d %d %d %s %g \"%s\"\n", r->type, r->start, r->end, r->label, r->value,
                            r->text ? ConvertCp1252ToUtf8(r->text).c_str() : "");
            }
        }
        if (!o.outFile.empty()) {
            sync_results_file file;
            file.results.import_sync_markers(results, o.text, textBased);
            file.audio_path = o.audio;
            file.text_file_path = o.scriptFile;
            file.script_text = o.text;
            std::ofstream out(o.outFile, std::ios::binary);
            if (!out) {
                std::cerr << "murmurex_align: cannot write " << o.outFile << "\n";
                code = kErrFileInUse;
            } else {
                file.write(out, 0, kWriteHeader | kWritePhonemes | kWriteWords | kWritePunctuation |
                                        kWriteXml | kWriteScript);
            }
        }
    }
    DestroyObservationStream(obs);
    DestroyMemoryPCMRangeStream(range);
    DestroySyncResultsCollection(results);
    DestroyTranscriber(transcriber);
    DestroyAccHMM(model);
    audio->Destroy();
    return code;
}
