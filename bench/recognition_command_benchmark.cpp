// Wall time of the recognition commands through the program's main window (offscreen): from the
// command to the result applied in the document, on a 60-second recording made by repeating a
// bundled utterance; the longest pause of the GUI thread during a run; and how long a run takes
// to end after Cancel is pressed in its progress dialog.
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

}  // namespace

int main(int argc, char** argv) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication qt(argc, argv);
    const int runs = argc > 1 ? std::max(1, std::atoi(argv[1])) : 5;
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
        prompts.answers = {PromptAnswer::No};
    }
    pub_queue::destroy_instance();
    fs::remove_all(folder);
    return status;
}
