// Developer tool: aligns a recording with a script (or recognises it without text) through the
// program's own recognition run, and writes a results file or prints the records. Used by later
// work and the benchmarks.

#include <cstdio>
#include <cstdlib>
#include <iostream>
#include <limits>
#include <memory>
#include <string>

#include "app/core/recognition_run.h"
#include "engine/api/error_messages.h"
#include "engine/api/progress.h"
#include "engine/audio/default_audio_readers.h"
#include "engine/audio/memory_pcm_stream.h"
#include "engine/text/lexicon_file.h"
#include "engine/text/text_encoding.h"
#include "engine/util/file_utils.h"
#include "engine/util/built_in_resources.h"
#include "model/sync_results_file.h"
#include "platform/safe_save.h"

namespace {

const char* const kUsage =
    "usage: murmurex_align [options] AUDIO\n"
    "\n"
    "Aligns AUDIO (WAV, NIST, MP3 or Ogg Vorbis) with a script, or recognises its phonemes without\n"
    "one, through the engine's entry points, and prints the records or writes a results file.\n"
    "\n"
    "Script (text-based alignment; without one the recognition is textless):\n"
    "  --script FILE          script text file (UTF-8, or code page 1252 when not valid UTF-8);\n"
    "                         cut tags <cut ms=\"N\"/> split it into segments (N counts from\n"
    "                         the start of AUDIO, also with --start-ms)\n"
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

struct Options {
    std::string audio, scriptFile, text, lexicon, modelFile, builtin = kGenericModelResource;
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

struct AudioDeleter {
    void operator()(CMemoryPCMStream* p) const { p->Destroy(); }
};
struct TranscriberDeleter {
    void operator()(CTranscriber* p) const { DestroyTranscriber(p); }
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
        std::vector<ScriptWarning> readWarnings;
        std::string why;
        if (!ReadScriptFile(o.scriptFile, &o.text, &readWarnings, &why)) return Fail(why, kErrFileNotFound);
        for (const ScriptWarning& w : readWarnings) {
            std::cerr << "murmurex_align: warning: " << o.scriptFile << ": " << w.ToString() << "\n";
        }
        o.haveText = true;
    }
    const bool textBased = o.haveText;
    if (textBased && o.text.find_first_not_of(" \t\r\n") == std::string::npos) {
        return Fail("the script is empty");
    }
    if (!o.print && o.outFile.empty()) o.print = !o.quiet;
    // The output is checked before the work: an alignment may take an hour.
    if (!o.outFile.empty()) {
        std::string why;
        if (IsSameFile(o.outFile, o.audio)) return Fail("--out names the audio file " + o.audio);
        if (!o.scriptFile.empty() && IsSameFile(o.outFile, o.scriptFile)) {
            return Fail("--out names the script file " + o.scriptFile);
        }
        if (!CanSaveFile(o.outFile, &why)) return Fail("cannot save " + o.outFile + ": " + why);
    }

    InstallDefaultAudioFileReaders();
    PCMFormat target;
    target.sampleRate = 16000u << 16;
    target.bitsPerSample = 16;
    target.channels = 1;
    CMemoryPCMStream* rawAudio = nullptr;
    int code = CreateMemoryPCMStreamFromFile(o.audio.c_str(), &target, nullptr, &rawAudio);
    const std::unique_ptr<CMemoryPCMStream, AudioDeleter> audio(rawAudio);
    if (code != 0) return Fail(o.audio + ": " + GetErrorMessage(code), code);

    RecognitionParams params;
    params.audio = audio.get();
    params.startFrame = audio->MsToFrames(o.startMs);
    params.frameCount = o.lengthMs < 0 ? -1 : audio->MsToFrames(o.lengthMs);
    if (audio->GetFrameCount() > 0 && params.startFrame >= audio->GetFrameCount()) {
        return Fail("--start-ms " + std::to_string(o.startMs) + " lies past the end of the audio (" +
                        std::to_string(static_cast<long long>(audio->FramesToMs(audio->GetFrameCount()))) + " ms)",
                    kErrOutOfRange);
    }
    if (o.lengthMs >= 0 && params.frameCount == 0) return Fail("--length-ms gives no audio frame", kErrOutOfRange);

    // The model: a file, or a built-in resource.
    std::string modelBytes;
    if (!o.modelFile.empty()) {
        std::string why;
        if (!ReadWholeFile(o.modelFile, kMaxModelFileBytes, &modelBytes, &why)) return Fail(why, kErrFileNotFound);
        params.modelImage = modelBytes.data();
        params.modelImageSize = static_cast<int>(modelBytes.size());
    } else {
        params.builtInModel = o.builtin;
    }
    params.constraintsFile = o.constraintsFile;
    if (o.constraintsFile.empty() && o.defaultConstraints) params.constraintsText = kBuiltInPhoneConstraints;
    params.trigramFile = o.trigramFile;
    params.builtInTrigram = o.builtinTrigram;

    std::unique_ptr<CTranscriber, TranscriberDeleter> lexicon;
    if (textBased) {
        params.script = o.text;
        if (!o.lexicon.empty()) {
            CTranscriber* transcriber = nullptr;
            code = LoadLexiconFile(o.lexicon.c_str(), &transcriber);
            lexicon.reset(transcriber);
            if (code != 0) return Fail("lexicon " + o.lexicon + ": " + GetErrorMessage(code), code);
            params.transcriber = transcriber;
        }
    }
    params.beam = o.beam;
    params.rescale = o.rescale;
    params.stateRuns = o.subPhonemes;
    params.articulate = false;  // the tool neither prints nor writes articulation keys
    CConsoleProgress progress(o.quiet);
    params.progress = &progress;

    RecognitionResult result;
    code = RunRecognition(params, &result);
    if (!o.quiet) std::cerr << "\n";
    if (code != 0 && code != kErrNoPath) return Fail(result.message, code);
    if (code == kErrNoPath) std::cerr << "murmurex_align: warning: " << result.message << "\n";
    for (const ScriptWarning& w : result.warnings) std::cerr << "murmurex_align: warning: script " << w.ToString() << "\n";
    if (o.print) {
        for (const RecognitionRecord& r : result.records) {
            std::printf("%d %d %d %s %g \"%s\"\n", r.type, r.start, r.end, r.label.c_str(), r.value, r.text.c_str());
        }
    }
    if (!o.outFile.empty()) {
        sync_results_file file;
        file.results = result.track;
        file.audio_path = o.audio;
        file.text_file_path = o.scriptFile;
        file.script_text = o.text;
        std::string why;
        const bool saved = SaveResultsFile(file, o.outFile,
                                           kWriteHeader | kWritePhonemes | kWriteWords | kWritePunctuation |
                                               kWriteXml | kWriteScript,
                                           &why);
        if (!saved) return Fail("cannot save " + o.outFile + ": " + why, kErrFileInUse);
    }
    return code;
}
