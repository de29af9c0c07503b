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
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include "engine/audio/default_audio_readers.h"
#include "engine/util/built_in_resources.h"
#include "engine/util/resource_data.h"
#include "tools/evaluate/utterance_recognition.h"

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
    RecognitionSettings recognition;
    bool textless = false;
    std::string out;
};

// One utterance through the recogniser; the records become a results file. Empty on success.
std::string AlignOne(const Settings& s, const Line& line, const std::string& outPath) {
    RecognitionResult results;
    const int rc = RecogniseUtterance(s.recognition, line.wav, s.textless ? std::string() : line.text, &results);
    const Alignment alignment = AlignmentFromRecords(results.records);
    std::ofstream out(outPath);
    if (!out.is_open()) return outPath + ": cannot be written";
    out << "version 1.2\naudio " << line.wav << "\n";
    for (const TimedLabel& p : alignment.phones) {
        out << "phn " << p.start << " " << p.end << " 0 " << p.label << "\n";
    }
    for (const TimedLabel& w : alignment.words) {
        out << "word " << w.start << " " << w.end << " " << w.label << "\n";
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
    bool useTrigram = true;
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
        else if (arg == "--no-trigram") useTrigram = false;
        else if (arg == "--limit") limit = std::atoi(value().c_str());
        else if (arg == "--threads") threads = std::max(1, std::atoi(value().c_str()));
        else if (arg == "--dictionary") dictionaryPath = value();
        else if (arg == "--trigram") trigramPath = value();
        else return Usage();
    }
    if ((modelPath.empty() == builtin.empty()) || corpus.empty() || s.out.empty()) return Usage();

    RecognitionSettings& r = s.recognition;
    if (!modelPath.empty()) {
        const std::string image = ReadWhole(modelPath);
        r.modelImage.assign(image.begin(), image.end());
    } else {
        int size = 0;
        const void* data = LoadResourceData(nullptr, kBuiltInResourceType, builtin.c_str(), &size, false);
        if (data == nullptr) {
            std::fprintf(stderr, "align_corpus: no built-in model %s\n", builtin.c_str());
            return 1;
        }
        r.modelImage.assign(static_cast<const uint8_t*>(data), static_cast<const uint8_t*>(data) + size);
    }
    if (r.modelImage.empty()) {
        std::fprintf(stderr, "align_corpus: cannot read the model\n");
        return 1;
    }
    r.dictionary = ReadWhole(dictionaryPath);
    if (!trigramPath.empty()) {
        r.trigram = ReadWhole(trigramPath);
    } else {
        int size = 0;
        const char* data = static_cast<const char*>(
            LoadResourceDataById(nullptr, kBuiltInResourceType, kTrigramResourceId, &size, false));
        if (data != nullptr) r.trigram.assign(data, static_cast<size_t>(size));
    }
    if (r.dictionary.empty() || (s.textless && useTrigram && r.trigram.empty())) {
        std::fprintf(stderr, "align_corpus: dictionary or trigram text missing\n");
        return 1;
    }
    if (!useTrigram) r.trigram.clear();

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

    std::error_code made;
    std::filesystem::create_directories(s.out, made);
    if (made) {
        std::fprintf(stderr, "align_corpus: cannot make %s: %s\n", s.out.c_str(), made.message().c_str());
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
    return failed == static_cast<int>(lines.size()) ? 1 : 0;
}
