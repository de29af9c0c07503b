// Wall time of the recognition commands through the program's main window (offscreen): from the
// command to the result applied in the document, on a 60-second recording made by repeating a
// bundled utterance; the longest pause of the GUI thread during a run; and how long a run takes
// to end after Cancel is pressed in its progress dialog. With --script-words N: a script of N
// random words on a short bundled recording instead, opened with it, aligned to its end (result
// or failure message), and cancelled at moments spread over such a run. Exits with 1 when a
// command fails or runs too long, or when any Cancel takes longer than kCancelLimitMs to end it.
#include <QApplication>
#include <QElapsedTimer>
#include <QPushButton>
#include <QTest>
#include <QTimer>
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <random>
#include <string>
#include <vector>

#include "app/core/document_commands.h"
#include "app/core/phonarc_doc.h"
#include "app/core/profile_store.h"
#include "app/core/prompts.h"
#include "app/core/recognition_commands.h"
#include "app/ui/document_manager.h"
#include "app/ui/phonarc_app.h"
#include "app/ui/progress_dlg.h"
#include "engine/audio/default_audio_readers.h"
#include "engine/audio/memory_pcm_stream.h"
#include "model/pub_queue.h"

namespace {

namespace fs = std::filesystem;

// Cancel must end the command within this, wherever in the run it is pressed.
constexpr double kCancelLimitMs = 500;

// The verdict on the Cancel times: false, with the slow ones named, when one is over the limit.
bool CancelsWithinLimit(const std::vector<double>& answers) {
    const auto slow = std::count_if(answers.begin(), answers.end(), [](double ms) { return ms > kCancelLimitMs; });
    if (slow == 0) return true;
    std::printf("FAIL: %td of %zu Cancels took longer than %.0f ms to end the command\n", slow, answers.size(),
                kCancelLimitMs);
    return false;
}

void PutLe(std::ofstream& f, uint32_t v, int bytes) {
    for (int i = 0; i < bytes; ++i) f.put(static_cast<char>((v >> (8 * i)) & 0xFF));
}

bool WriteLongTake(const fs::path& wav, const fs::path& txt, int seconds) {
    const fs::path speech = fs::path(MURMUREX_SOURCE_DIR) / "testdata" / "speech";
    InstallDefaultAudioFileReaders();
    PCMFormat format{};
    format.sampleRate = 16000u << 16;
    format.bitsPerSample = 16;
    format.channels = 1;
    CMemoryPCMStream* audio = nullptr;
    if (CreateMemoryPCMStreamFromFile((speech / "en_us_f4_0003_clean.wav").c_str(), &format, nullptr, &audio) != 0)
        return false;
    const auto* data = static_cast<const int16_t*>(audio->GetData());
    const std::vector<int16_t> one(data, data + audio->GetFrameCount());
    audio->Destroy();
    std::ifstream in(speech / "en_us_f4_0003_clean.txt");
    std::string line;
    std::getline(in, line);
    std::vector<int16_t> all;
    std::string script;
    while (all.size() < static_cast<size_t>(seconds) * 16000) {
        all.insert(all.end(), one.begin(), one.end());
        script += line + "\n";
    }
    std::ofstream f(wav, std::ios::binary);
    const uint32_t bytes = static_cast<uint32_t>(all.size() * 2);
    f.write("RIFF", 4);
    PutLe(f, 36 + bytes, 4);
    f.write("WAVEfmt ", 8);
    PutLe(f, 16, 4);
    PutLe(f, 1, 2);
    PutLe(f, 1, 2);
    PutLe(f, 16000, 4);
    PutLe(f, 32000, 4);
    PutLe(f, 2, 2);
    PutLe(f, 16, 2);
    f.write("data", 4);
    PutLe(f, bytes, 4);
    f.write(reinterpret_cast<const char*>(all.data()), bytes);
    std::ofstream(txt) << script;
    return static_cast<bool>(f);
}

double Median(std::vector<double> v) {
    std::sort(v.begin(), v.end());
    return v[v.size() / 2];
}

// n words drawn from common short ones, twelve to a line; the same script for the same n.
std::string RandomScript(long n) {
    static const char* const kWords[] = {
        "the",   "of",    "and",   "to",     "in",    "is",    "you",   "that",  "it",    "he",    "was",
        "for",   "on",    "are",   "as",     "with",  "his",   "they",  "at",    "be",    "this",  "have",
        "from",  "or",    "one",   "had",    "by",    "words", "but",   "not",   "what",  "all",   "were",
        "we",    "when",  "your",  "can",    "said",  "there", "use",   "an",    "each",  "which", "she",
        "do",    "how",   "their", "if",     "will",  "up",    "other", "about", "out",   "many",  "then",
        "them",  "these", "so",    "some",   "her",   "would", "make",  "like",  "him",   "into",  "time",
        "has",   "look",  "two",   "more",   "write", "go",    "see",   "number", "no",   "way",   "could",
        "people", "my",   "than",  "first",  "water", "been",  "call",  "who",   "oil",   "its",   "now",
        "find",  "long",  "down",  "day",    "did",   "get",   "come",  "made",  "may",   "part"};
    std::mt19937 random(35);
    std::uniform_int_distribution<size_t> pick(0, std::size(kWords) - 1);
    std::string script;
    script.reserve(static_cast<size_t>(n) * 5);
    for (long i = 0; i < n; ++i) {
        script += kWords[pick(random)];
        script += (i + 1) % 12 == 0 || i + 1 == n ? '\n' : ' ';
    }
    return script;
}

// The progress dialog while it is up, or null.
CProgressDlg* ShownProgress() {
    for (QWidget* w : QApplication::topLevelWidgets()) {
        auto* dlg = qobject_cast<CProgressDlg*>(w);
        if (dlg && dlg->isVisible()) return dlg;
    }
    return nullptr;
}

// Lipsync With Text with a script of words words on a short recording: opening it with its script,
// the run to its end, and Cancel pressed at moments spread over the run.
int ScriptWordsBenchmark(long words, int runs) {
    const fs::path folder = fs::temp_directory_path() / ("recog_words_bench_" + std::to_string(::getpid()));
    fs::create_directories(folder / "dicts");
    const fs::path speech = fs::path(MURMUREX_SOURCE_DIR) / "testdata" / "speech";
    fs::copy_file(speech / "en_us_f4_0024_clean.wav", folder / "take.wav");
    const std::string script = RandomScript(words);
    std::ofstream(folder / "take.txt", std::ios::binary) << script;
    int status = 0;
    {
        CMemoryProfileStore profile;
        CScriptedPrompts prompts;
        CPhonarcApp app(profile, prompts, folder.string());
        app.InitInstance({});
        app.Documents()->SetShowProgress(false);
        QElapsedTimer clock;
        clock.start();
        if (!app.OpenDocumentFile((folder / "take.wav").string())) return 1;
        const double open_ms = clock.nsecsElapsed() / 1e6;
        CPhonarcDoc& doc = *app.Documents()->ActiveDocument();
        std::printf("recording: %.1f s; script: %ld words, %.1f MB; opening both: %.0f ms\n",
                    doc.audio()->GetFrameCount() / 16000.0, words, script.size() / 1e6, open_ms);

        QElapsedTimer tick;
        double longest_gap = 0;
        QTimer watch;
        watch.setInterval(5);
        QObject::connect(&watch, &QTimer::timeout, [&] {
            longest_gap = std::max(longest_gap, tick.nsecsElapsed() / 1e6);
            tick.restart();
        });
        auto run = [&](double cancel_at_ms, double* cancel_to_end_ms) {
            prompts.messages.clear();
            bool pressed = false;
            QElapsedTimer since_cancel;
            QTimer poll;
            poll.setInterval(1);
            QObject::connect(&poll, &QTimer::timeout, [&] {
                if (pressed || cancel_at_ms < 0 || clock.nsecsElapsed() / 1e6 < cancel_at_ms) return;
                if (CProgressDlg* dlg = ShownProgress()) {
                    pressed = true;
                    since_cancel.start();
                    QTest::mouseClick(dlg->findChild<QPushButton*>(), Qt::LeftButton);
                }
            });
            longest_gap = 0;
            tick.start();
            watch.start();
            poll.start();
            clock.restart();
            app.Router().Execute(cmd::AlignTextWithAudio);
            const double ms = clock.nsecsElapsed() / 1e6;
            poll.stop();
            watch.stop();
            if (cancel_to_end_ms) *cancel_to_end_ms = pressed ? since_cancel.nsecsElapsed() / 1e6 : -1;
            return ms;
        };

        std::vector<double> times, gaps;
        std::string outcome;
        for (int i = 0; i < runs; ++i) {
            const size_t steps = doc.GetUndoManager().CanUndo(&doc, 1) ? 1 : 0;
            times.push_back(run(-1, nullptr));
            gaps.push_back(longest_gap);
            const bool applied = doc.GetUndoManager().CanUndo(&doc, 1) && steps == 0;
            outcome = !prompts.messages.empty() ? "failure message \"" + prompts.messages.front().substr(0, 40) + "...\""
                      : applied                 ? "result applied"
                                                : "nothing";
            if (applied) app.Router().Execute(cmd::EditUndo);
        }
        std::printf("Lipsync With Text: ends with %s; command to end: min %.0f ms, median %.0f ms, max %.0f ms; "
                    "GUI thread's longest pause: median %.0f ms, max %.0f ms\n",
                    outcome.c_str(), *std::min_element(times.begin(), times.end()), Median(times),
                    *std::max_element(times.begin(), times.end()), Median(gaps),
                    *std::max_element(gaps.begin(), gaps.end()));
        if (Median(times) > 10000) {
            std::printf("FAIL: the run takes longer than 10 s\n");
            status = 1;
        }

        // Cancel at twenty moments from the start of the run to its end.
        const double length = Median(times);
        std::vector<double> answers;
        std::string moments;  // pressed at ms: answered in ms
        double worst_gap = 0;
        for (int k = 0; k < 20; ++k) {
            double answer = -1;
            run(length * k / 20.0, &answer);
            worst_gap = std::max(worst_gap, longest_gap);
            if (answer >= 0) answers.push_back(answer);
            if (answer >= 0) moments += " " + std::to_string(static_cast<int>(length * k / 20.0)) + ":" +
                                        std::to_string(static_cast<int>(answer));
            if (doc.GetUndoManager().CanUndo(&doc, 1)) app.Router().Execute(cmd::EditUndo);
        }
        if (!answers.empty()) {
            std::printf("Cancel to command end: median %.0f ms, max %.0f ms (%zu of 20 runs cancelled part-way); "
                        "GUI thread's longest pause meanwhile: %.0f ms\n",
                        Median(answers), *std::max_element(answers.begin(), answers.end()), answers.size(),
                        worst_gap);
            std::printf("  pressed at ms: answered in ms:%s\n", moments.c_str());
        }
        if (!CancelsWithinLimit(answers)) status = 1;
        prompts.answers = {PromptAnswer::No};
    }
    pub_queue::destroy_instance();
    fs::remove_all(folder);
    return status;
}

}  // namespace

int main(int argc, char** argv) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication qt(argc, argv);
    int runs = 5;
    long script_words = -1;
    for (int i = 1; i < argc; ++i) {
        const std::string a = argv[i];
        if (a == "--script-words" && i + 1 < argc) {
            script_words = std::max(1L, std::atol(argv[++i]));
        } else if (a == "-h" || a == "--help") {
            std::printf("usage: recognition_command_benchmark [RUNS] [--script-words N]\n");
            return 0;
        } else {
            runs = std::max(1, std::atoi(argv[i]));
        }
    }
    if (script_words > 0) return ScriptWordsBenchmark(script_words, runs);
    const fs::path folder = fs::temp_directory_path() / ("recog_cmd_bench_" + std::to_string(::getpid()));
    fs::create_directories(folder / "dicts");
    if (!WriteLongTake(folder / "take.wav", folder / "take.txt", 60)) {
        std::fprintf(stderr, "cannot make the recording\n");
        return 1;
    }
    int status = 0;
    {
        CMemoryProfileStore profile;
        CScriptedPrompts prompts;
        CPhonarcApp app(profile, prompts, folder.string());
        app.InitInstance({});
        app.Documents()->SetShowProgress(false);
        if (!app.OpenDocumentFile((folder / "take.wav").string())) return 1;
        CPhonarcDoc& doc = *app.Documents()->ActiveDocument();
        std::printf("recording: %.1f s\n", doc.audio()->GetFrameCount() / 16000.0);

        // The GUI thread's longest pause while a command runs, seen by a 5 ms timer.
        QElapsedTimer tick;
        double longest_gap = 0;
        QTimer watch;
        watch.setInterval(5);
        QObject::connect(&watch, &QTimer::timeout, [&] {
            longest_gap = std::max(longest_gap, tick.nsecsElapsed() / 1e6);
            tick.restart();
        });
        for (int command : {cmd::AlignTextWithAudio, cmd::TextlessLipsync}) {
            std::vector<double> times, gaps;
            for (int i = 0; i < runs; ++i) {
                longest_gap = 0;
                tick.start();
                watch.start();
                QElapsedTimer clock;
                clock.start();
                app.Router().Execute(command);
                const double ms = clock.nsecsElapsed() / 1e6;
                watch.stop();
                if (!prompts.messages.empty() || doc.track(doc.GetRecognitionTrack()).phonemes.empty()) {
                    std::fprintf(stderr, "the command failed\n");
                    status = 1;
                }
                times.push_back(ms);
                gaps.push_back(longest_gap);
                app.Router().Execute(cmd::EditUndo);
            }
            std::printf("%-20s command to applied result: min %.0f ms, median %.0f ms; GUI thread's longest pause "
                        "(median of runs) %.0f ms\n",
                        command == cmd::AlignTextWithAudio ? "Lipsync With Text" : "Textless Lipsync",
                        *std::min_element(times.begin(), times.end()), Median(times), Median(gaps));
        }

        // Cancel: pressed at the first progress shown; the time until the command returns.
        std::vector<double> answers;
        for (int i = 0; i < runs; ++i) {
            QElapsedTimer since_cancel;
            bool pressed = false;
            QTimer poll;
            poll.setInterval(2);
            QObject::connect(&poll, &QTimer::timeout, [&] {
                for (QWidget* w : QApplication::topLevelWidgets()) {
                    auto* dlg = qobject_cast<CProgressDlg*>(w);
                    if (pressed || !dlg || !dlg->isVisible() || dlg->Position() == 0) continue;
                    pressed = true;
                    since_cancel.start();
                    QTest::mouseClick(dlg->findChild<QPushButton*>(), Qt::LeftButton);
                }
            });
            poll.start();
            app.Router().Execute(cmd::AlignTextWithAudio);
            poll.stop();
            if (pressed) answers.push_back(since_cancel.nsecsElapsed() / 1e6);
            if (doc.GetUndoManager().CanUndo(&doc, 1)) app.Router().Execute(cmd::EditUndo);
        }
        if (!answers.empty()) {
            std::printf("Cancel to command end: median %.0f ms, max %.0f ms (%zu of %d runs cancelled part-way)\n",
                        Median(answers), *std::max_element(answers.begin(), answers.end()), answers.size(), runs);
        }
        if (!CancelsWithinLimit(answers)) status = 1;
        prompts.answers = {PromptAnswer::No};
    }
    pub_queue::destroy_instance();
    fs::remove_all(folder);
    return status;
}
