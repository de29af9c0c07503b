// Developer tool: runs the engine's recognisers over corpus utterances and writes each result as a
// results file beside a list of "reference result" pairs for evaluate_alignment.
//
//   align_corpus (--model FILE.hmm | --builtin NAME) --corpus corpus.tsv --out DIR
//                [--split test|train|all] [--voice V]... [--gender male|female] [--textless]
//                [--no-trigram] [--limit N] [--threads N] [--dictionary FILE] [--trigram FILE]
//
// Text-based alignment (the default) aligns each utterance with its sentence using the built-in
// dictionary and default settings; --textless recognises without text, with the built-in phone
// trigram text loaded unless --no-trigram. A list of WAV files can also be aligned with texts:
// corpus lines need only name, voice, gender, split, wav, reference and text.
#include <algorithm>
#include <atomic>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include "engine/analysis/observation_stream.h"
#include "engine/api/results_collection.h"
#include "engine/audio/audio_file_reader.h"
#include "engine/audio/default_audio_readers.h"
#include "engine/audio/pcm_stream.h"
#include "engine/recognition/acoustic_hmm.h"
#include "engine/recognition/memory_buffer.h"
#include "engine/recognition/textbased_recognizer.h"
#include "engine/recognition/textless_recognizer.h"
#include "engine/text/lexicon_file.h"
#include "engine/text/transcriber.h"
#include "engine/util/resource_data.h"

#ifndef MURMUREX_SOURCE_DIR
#define MURMUREX_SOURCE_DIR "."
#endif

namespace {

struct Line {
    std::string name, voice, gender, split, wav, reference, text;
};

std::string ReadWhole(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream s;
    s << in.rdbuf();
    return s.str();
}

struct Settings {
    std::vector<uint8_t> modelImage;
    std::string dictionary;
    std::string trigram;
    bool textless = false;
    bool useTrigram = true;
    std::string out;
};

// One utterance through the recogniser; the records become a results file. Empty on success.
std::string AlignOne(const Settings& s, const Line& line, const std::string& outPath) {
    char error[kAccErrorTextSize] = "";
    CAccousticHMM* model = nullptr;
    if (CreateAccHMM(s.modelImage.data(), static_cast<int>(s.modelImage.size()), error, &model) != 0) {
        return std::string("model: ") + error;
    }
    if (s.textless && s.useTrigram) {
        LoadTrigramIntoHMM(model, s.trigram.data(), static_cast<int>(s.trigram.size()), 0);
    }
    CPCMStream* source = nullptr;
    int rc = CreateZuvoStreamFromFile(line.wav.c_str(), &source);
    if (rc != 0) {
        DestroyAccHMM(model);
        return line.wav + ": unreadable";
    }
    CSpectralStream* obs = nullptr;
    rc = CreateFeatureStream(source, 1, model->features, &obs);
    source->Release();
    if (rc != 0) {
        DestroyAccHMM(model);
        return line.wav + ": no feature stream";
    }
    CConcreteSyncMarkerCollection results;
    if (s.textless) {
        CTextlessPhnRecognizer* r = nullptr;
        CTextlessPhnRecognizer::CreateTextlessPhnRecognizer(&r);
        rc = r->RecognizePhonemes(obs, model, nullptr, &results);
        CTextlessPhnRecognizer::DestroyTextlessPhnRecognizer(r);
    } else {
        CTranscriber* transcriber = nullptr;
        CreateDefaultTranscriber(s.dictionary.data(), static_cast<int>(s.dictionary.size()), &transcriber);
        CTextbasedPhnRecognizer* r = nullptr;
        CTextbasedPhnRecognizer::CreateTextBasedRecognizer(&r);
        rc = r->RecognizePhonemes(obs, model, line.text.c_str(), transcriber, nullptr, &results);
        CTextbasedPhnRecognizer::DestroyTextBasedRecognizer(r);
        transcriber->Release();
    }
    DestroyObservationStream(obs);
    DestroyAccHMM(model);
    std::ofstream out(outPath);
    out << "version 1.2\naudio " << line.wav << "\n";
    for (const SyncMarker* m = results.begin(); m != nullptr && m != results.end(); ++m) {
        if (m->type == 1) {
            out << "phn " << m->start << " " << m->end << " " << static_cast<int>(m->value) << " "
                << m->label << "\n";
        } else if (m->type == 2 && m->text != nullptr) {
            out << "word " << m->start << " " << m->end << " " << m->text << "\n";
        }
    }
    out << "end_markers\n";
    if (rc != 0 && rc != 8) return line.wav + ": recognition result " + std::to_string(rc);
    return "";
}

int Usage() {
    std::fprintf(stderr,
                 "usage: align_corpus (--model FILE.hmm | --builtin NAME) --corpus FILE --out DIR\n"
                 "                    [--split test|train|all] [--voice V]... [--gender male|female]\n"
                 "                    [--textless] [--no-trigram] [--limit N] [--threads N]\n"
                 "                    [--dictionary FILE] [--trigram FILE]\n");
    return 2;
}

}  // namespace

int main(int argc, char** argv) {
    Settings s;
    std::string modelPath, builtin, corpus, split = "test", gender;
    std::string dictionaryPath = MURMUREX_SOURCE_DIR "/resources/dictionary/dictionary.txt";
    std::string trigramPath;
    std::vector<std::string> voices;
    int limit = 0;
    int threads = static_cast<int>(std::max(1u, std::thread::hardware_concurrency()));
    for (int i = 1; i < argc; ++i) {
        const std::string arg = argv[i];
        auto value = [&]() -> std::string { return i + 1 < argc ? argv[++i] : ""; };
        if (arg == "--model") modelPath = value();
        else if (arg == "--builtin") builtin = value();
        else if (arg == "--corpus") corpus = value();
        else if (arg == "--out") s.out = value();
        else if (arg == "--split") split = value();
        else if (arg == "--voice") voices.push_back(value());
        else if (arg == "--gender") gender = value();
        else if (arg == "--textless") s.textless = true;
        else if (arg == "--no-trigram") s.useTrigram = false;
        else if (arg == "--limit") limit = std::atoi(value().c_str());
        else if (arg == "--threads") threads = std::max(1, std::atoi(value().c_str()));
        else if (arg == "--dictionary") dictionaryPath = value();
        else if (arg == "--trigram") trigramPath = value();
        else return Usage();
    }
    if ((modelPath.empty() == builtin.empty()) || corpus.empty() || s.out.empty()) return Usage();

    if (!modelPath.empty()) {
        const std::string image = ReadWhole(modelPath);
        s.modelImage.assign(image.begin(), image.end());
    } else {
        int size = 0;
        const void* data = LoadResourceData(nullptr, "BLAH", builtin.c_str(), &size, false);
        if (data == nullptr) {
            std::fprintf(stderr, "align_corpus: no built-in model %s\n", builtin.c_str());
            return 1;
        }
        s.modelImage.assign(static_cast<const uint8_t*>(data), static_cast<const uint8_t*>(data) + size);
    }
    if (s.modelImage.empty()) {
        std::fprintf(stderr, "align_corpus: cannot read the model\n");
        return 1;
    }
    s.dictionary = ReadWhole(dictionaryPath);
    if (!trigramPath.empty()) {
        s.trigram = ReadWhole(trigramPath);
    } else {
        int size = 0;
        const char* data = static_cast<const char*>(LoadResourceDataById(nullptr, "BLAH", 180, &size, false));
        if (data != nullptr) s.trigram.assign(data, static_cast<size_t>(size));
    }
    if (s.dictionary.empty() || (s.textless && s.useTrigram && s.trigram.empty())) {
        std::fprintf(stderr, "align_corpus: dictionary or trigram text missing\n");
        return 1;
    }

    std::ifstream in(corpus);
    std::vector<Line> lines;
    for (std::string row; std::getline(in, row);) {
        std::istringstream f(row);
        Line l;
        if (!std::getline(f, l.name, '\t') || !std::getline(f, l.voice, '\t') ||
            !std::getline(f, l.gender, '\t') || !std::getline(f, l.split, '\t') ||
            !std::getline(f, l.wav, '\t') || !std::getline(f, l.reference, '\t') ||
            !std::getline(f, l.text)) {
            continue;
        }
        if (split != "all" && l.split != split) continue;
        if (!voices.empty() && std::find(voices.begin(), voices.end(), l.voice) == voices.end()) continue;
        if (!gender.empty() && l.gender != gender) continue;
        lines.push_back(l);
        if (limit > 0 && static_cast<int>(lines.size()) >= limit) break;
    }
    if (lines.empty()) {
        std::fprintf(stderr, "align_corpus: no corpus lines selected\n");
        return 1;
    }

    InstallDefaultAudioFileReaders();
    std::vector<std::string> errors(lines.size());
    std::atomic<size_t> next{0};
    std::vector<std::thread> pool;
    for (int t = 0; t < threads; ++t) {
        pool.emplace_back([&]() {
            for (size_t i = next++; i < lines.size(); i = next++) {
                errors[i] = AlignOne(s, lines[i], s.out + "/" + lines[i].name + ".zuvo");
            }
        });
    }
    for (std::thread& t : pool) t.join();

    std::ofstream pairs(s.out + "/pairs.txt");
    int failed = 0;
    for (size_t i = 0; i < lines.size(); ++i) {
        if (!errors[i].empty()) {
            std::fprintf(stderr, "align_corpus: %s\n", errors[i].c_str());
            ++failed;
        }
        pairs << lines[i].reference << " " << s.out << "/" << lines[i].name << ".zuvo\n";
    }
    std::printf("%zu utterances aligned (%d with errors); pairs in %s/pairs.txt\n", lines.size(),
                failed, s.out.c_str());
    return 0;
}
