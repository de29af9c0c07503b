// Developer tool: compares results files (".zuvo") with reference alignments and prints how close
// the phone and word boundaries came and the phone error rate.
//
//   evaluate_alignment [--per-file] [--classes MODEL.hmm] [--list FILE] [REF HYP]...
//
// REF and HYP are results files; the reference's "phn" and "word" records are the truth (the
// corpus generator writes its alignments in this form). --list reads "REF HYP" pairs, one a line.
// --classes maps the phones of both through a model's phone map ("code=label" lines) first, so a
// model with fewer labels is measured on its own classes.
#include <cstdio>
#include <fstream>
#include <map>
#include <iostream>
#include <sstream>
#include <string>
#include <utility>
#include <vector>

#include "engine/recognition/acoustic_hmm.h"
#include "engine/util/memory_buffer.h"
#include "tools/evaluate/alignment_metrics.h"
#include "tools/evaluate/utterance_recognition.h"

namespace {

// The model's phone map as code -> label; false when the model or its map cannot be read.
bool ReadClassMap(const std::string& path, std::map<std::string, std::string>* out) {
    CMemoryBuffer file;
    if (!file.LoadFile(path.c_str())) return false;
    char error[kAccErrorTextSize] = "";
    CAccousticHMM* model = nullptr;
    if (CreateAccHMM(file.data.get(), static_cast<int>(file.size), error, &model) != 0) return false;
    std::istringstream map(model->PhoneMap() ? model->PhoneMap() : "");
    DestroyAccHMM(model);
    for (std::string line; std::getline(map, line);) {
        const size_t eq = line.find('=');
        if (eq != std::string::npos) (*out)[line.substr(0, eq)] = line.substr(eq + 1);
    }
    return !out->empty();
}

void MapClasses(const std::map<std::string, std::string>& classes, std::vector<TimedLabel>* phones) {
    for (TimedLabel& p : *phones) {
        auto it = classes.find(p.label);
        if (it != classes.end()) p.label = it->second;
    }
}

void PrintSummary(const char* what, const ErrorSummary& s) {
    std::printf("%-16s n=%-6zu within 10 ms %5.1f%%  20 ms %5.1f%%  50 ms %5.1f%%  mean %6.1f ms  "
                "median %6.1f ms\n",
                what, s.count, 100.0 * s.within10, 100.0 * s.within20, 100.0 * s.within50, s.mean,
                s.median);
}

int Usage() {
    std::fprintf(stderr,
                 "usage: evaluate_alignment [--per-file] [--classes MODEL.hmm] [--list FILE] [REF HYP]...\n"
                 "  --classes   map phones through the model's phone map before measuring\n"
                 "  REF, HYP    results files: the reference alignment and the one to measure\n"
                 "  --list      a file of \"REF HYP\" pairs, one pair a line\n"
                 "  --per-file  also print the figures of each pair\n");
    return 2;
}

}  // namespace

int main(int argc, char** argv) {
    bool perFile = false;
    std::map<std::string, std::string> classes;
    std::vector<std::pair<std::string, std::string>> pairs;
    std::vector<std::string> loose;
    for (int i = 1; i < argc; ++i) {
        const std::string arg = argv[i];
        if (arg == "--per-file") {
            perFile = true;
        } else if (arg == "--classes" && i + 1 < argc) {
            if (!ReadClassMap(argv[++i], &classes)) {
                std::fprintf(stderr, "evaluate_alignment: no phone map in %s\n", argv[i]);
                return 1;
            }
        } else if (arg == "--list" && i + 1 < argc) {
            std::ifstream list(argv[++i]);
            if (!list.is_open()) {
                std::fprintf(stderr, "evaluate_alignment: cannot open %s\n", argv[i]);
                return 1;
            }
            std::string ref, hyp;
            while (list >> ref >> hyp) pairs.emplace_back(ref, hyp);
        } else if (!arg.empty() && arg[0] == '-') {
            return Usage();
        } else {
            loose.push_back(arg);
        }
    }
    if (loose.size() % 2 != 0) return Usage();
    for (size_t i = 0; i < loose.size(); i += 2) pairs.emplace_back(loose[i], loose[i + 1]);
    if (pairs.empty()) return Usage();

    std::vector<double> phoneErrors, wordErrors;
    EditCounts edits;
    int failed = 0;
    for (const auto& [refPath, hypPath] : pairs) {
        Alignment ref, hyp;
        std::string error;
        if (!ReadAlignment(refPath, &ref, &error) || !ReadAlignment(hypPath, &hyp, &error)) {
            std::fprintf(stderr, "evaluate_alignment: %s\n", error.c_str());
            ++failed;
            continue;
        }
        MapClasses(classes, &ref.phones);
        MapClasses(classes, &hyp.phones);
        const std::vector<double> pe = PhoneBoundaryErrors(ref.phones, hyp.phones);
        // Textless results carry no words: there is nothing to measure them by.
        const std::vector<double> we =
            hyp.words.empty() ? std::vector<double>{} : WordBoundaryErrors(ref.words, hyp.words);
        const EditCounts ec = PhoneErrors(ref.phones, hyp.phones);
        phoneErrors.insert(phoneErrors.end(), pe.begin(), pe.end());
        wordErrors.insert(wordErrors.end(), we.begin(), we.end());
        edits += ec;
        if (perFile) {
            std::printf("%s\n", hypPath.c_str());
            PrintSummary("  phone bounds", Summarise(pe));
            PrintSummary("  word bounds", Summarise(we));
            std::printf("  phone errors     %.1f%%\n", 100.0 * ec.ErrorRate());
        }
    }

    std::printf("pairs %zu (unreadable %d)\n", pairs.size() - failed, failed);
    PrintSummary("phone boundaries", Summarise(phoneErrors));
    PrintSummary("word boundaries", Summarise(wordErrors));
    std::printf("phone error rate %.1f%% (%d substitutions, %d deletions, %d insertions in %d "
                "reference phones, silence left out)\n",
                100.0 * edits.ErrorRate(), edits.substitutions, edits.deletions, edits.insertions,
                edits.referenceLength);
    return failed == 0 ? 0 : 1;
}
