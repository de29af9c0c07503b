// The Flash document; see phonarc_doc_flash.h.
#include "app/core/phonarc_doc_flash.h"

#include <cctype>
#include <istream>
#include <iterator>
#include <new>
#include <ostream>
#include <sstream>
#include <stdexcept>
#include <vector>

#include "app/core/display_channels.h"
#include "app/core/prompts.h"
#include "engine/audio/memory_pcm_stream.h"
#include "engine/util/file_utils.h"
#include "flash/gesture_generation.h"
#include "flash/gesture_selection.h"
#include "swf/flash_stream.h"

namespace {

constexpr size_t kMaxLineText = 2047;

std::string Lower(std::string s) {
    for (char& c : s) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return s;
}

std::string Trim(const std::string& s) {
    const char* blanks = " \t\r\n\f\v";
    const size_t first = s.find_first_not_of(blanks);
    if (first == std::string::npos) return "";
    return s.substr(first, s.find_last_not_of(blanks) - first + 1);
}

std::string RestOfLine(std::istream& in) {
    std::string rest;
    std::getline(in, rest);
    if (rest.size() > kMaxLineText) rest.resize(kMaxLineText);
    return Trim(rest);
}

// A number that does not read leaves the value alone; the word after it is read as a keyword.
void ReadInt(std::istream& in, int& value) {
    int v = 0;
    if (in >> v) {
        value = v;
    } else if (!in.eof()) {
        in.clear();
    }
}

// Loads the template at path into character. False with the reasons written to errors in the
// Output Window's words, one line each naming the file: a template that is damaged, too large or
// more than the memory can hold leaves the document without it and never ends the program.
bool LoadCharacterTemplate(const std::string& path, zuvo_swf_char& character, std::ostream& errors) {
    std::vector<std::string> messages;
    try {
        flash_ifstream swf(path, std::ios_base::binary);
        if (!swf) {
            errors << "Can't open character file " << path << ": " << ReasonWithoutPath(swf.error(), path) << '\n';
            return false;
        }
        if (!character.load(swf, messages) && messages.empty())
            messages.push_back("the movie could not be read");
    } catch (const std::bad_alloc&) {
        messages.assign(1, "there is not enough memory to load it");
    } catch (const std::length_error&) {
        messages.assign(1, "there is not enough memory to load it");
    }
    for (const std::string& m : messages) errors << "Reading Character file " << path << ": " << m << '\n';
    return messages.empty();
}

}  // namespace

void ReadCharacterInfo(std::istream& in, flash_character_info& info) {
    std::string word;
    while (in >> word) {
        const std::string kw = Lower(word);
        if (kw == "character") {
            info.character_path = RestOfLine(in);
        } else if (kw == "frame_rate") {
            ReadInt(in, info.frame_rate);
        } else if (kw == "publish_file") {
            info.publish_file = RestOfLine(in);
        } else if (kw == "swf6_compress") {
            int v = info.compress ? 1 : 0;
            ReadInt(in, v);
            info.compress = v != 0;
        } else if (kw == "audio_bitrate") {
            ReadInt(in, info.audio_bitrate);
        } else if (kw == "no_protect") {
            info.protect = false;
        } else if (kw == "no_ambients") {
            info.ambients = false;
        } else if (kw == "end_character_info") {
            std::string rest;
            std::getline(in, rest);
            return;
        }
    }
}

void WriteCharacterInfo(std::ostream& out, const flash_character_info& info, int template_rate) {
    out << "character " << info.character_path << '\n' << std::flush;
    if (info.frame_rate != template_rate) out << "frame_rate " << info.frame_rate << '\n' << std::flush;
    if (!info.publish_file.empty()) out << "publish_file " << info.publish_file << '\n' << std::flush;
    out << "swf6_compress " << (info.compress ? 1 : 0) << '\n' << std::flush;
    if (info.audio_bitrate > 0) out << "audio_bitrate " << info.audio_bitrate << '\n' << std::flush;
    if (!info.protect) out << "no_protect\n" << std::flush;
    if (!info.ambients) out << "no_ambients\n" << std::flush;
    out << "end_character_info\n" << std::flush;
}

CPhonarcDocFlash::CPhonarcDocFlash(const document_host& host) : CPhonarcDoc(host) {}

bool CPhonarcDocFlash::ReadResults(sync_results_file& file, std::istream& in, std::ostream& errors) {
    const bool result = CPhonarcDoc::ReadResults(file, in, errors);
    flash_character_info info;
    ReadCharacterInfo(in, info);
    if (info.character_path.empty()) return result;

    // The sections are the user's work: whatever happens to the template, they are kept, and a
    // template that does not load keeps the gesture section as it was read for the next save.
    info_ = info;
    kept_gestures_.clear();
    zuvo_swf_char loading;
    if (!LoadCharacterTemplate(info.character_path, loading, errors)) {
        kept_gestures_.assign(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
        return result;
    }

    character_ = std::move(loading);
    FZuvoAnim anim;
    anim.set_character(&character_);
    if (info_.frame_rate != 0) anim.set_frame_rate(info_.frame_rate);
    anim.read_gesture_section(in, errors);
    anim_ = anim;
    if (frame_) {
        frame_->ShowFlashGesturesBar(true);
        if (flash_gesture_selection* view = frame_->FindFlashGesturesView()) view->OnCharacterChanged(true);
    }
    return result;
}

bool CPhonarcDocFlash::WriteExtraSections(int unused, int flags, std::ostream& out) {
    if (!CPhonarcDoc::WriteExtraSections(unused, flags, out)) return false;
    if (info_.character_path.empty()) return static_cast<bool>(out);
    // Without a loaded template the rate is written whenever it is set.
    WriteCharacterInfo(out, info_, HasTemplate() ? character_.frame_rate() : 0);
    if (HasTemplate()) {
        anim_.write_gesture_section(out);
    } else {
        out << kept_gestures_ << std::flush;
    }
    return static_cast<bool>(out);
}

void CPhonarcDocFlash::SetCharacter(const zuvo_swf_char& character) {
    character_ = character;
    anim_.set_character(&character_);
    RefreshViews();
}

void CPhonarcDocFlash::SetAnim(const FZuvoAnim& anim) {
    anim_ = anim;
    // Copies made before the template was replaced still point at the old one.
    if (anim_.get_character()) anim_.set_character(&character_);
    RefreshViews();
}

void CPhonarcDocFlash::SetAnim(const anim_snapshot& anim) {
    if (const auto* copy = dynamic_cast<const anim_copy<FZuvoAnim>*>(&anim)) SetAnim(copy->anim);
}

flash_gesture_selection* CPhonarcDocFlash::FindFlashGesturesView() const {
    return frame_ ? frame_->FindFlashGesturesView() : nullptr;
}

namespace {

// The template choice as one step of the history.
class character_action : public CAction {
public:
    character_action(CPhonarcDocFlash* doc, CPhonarcDocFlash::character_state before,
                     CPhonarcDocFlash::character_state after)
        : CAction(static_cast<anim_target*>(doc), 0, true), doc_(doc), before_(std::move(before)),
          after_(std::move(after)) {
        SetName(kTextSelectCharacter);
    }
    void Do() override {
        CAction::Do();
        doc_->SetCharacterState(after_);
    }
    void Undo() override {
        CAction::Undo();
        doc_->SetCharacterState(before_);
    }
    void Redo() override {
        CAction::Redo();
        doc_->SetCharacterState(after_);
    }

private:
    CPhonarcDocFlash* doc_;
    CPhonarcDocFlash::character_state before_;
    CPhonarcDocFlash::character_state after_;
};

}  // namespace

CPhonarcDocFlash::character_state CPhonarcDocFlash::CharacterState() const {
    return {info_.character_path, character_, anim_, HasTemplate()};
}

void CPhonarcDocFlash::SetCharacterState(const character_state& state) {
    info_.character_path = state.path;
    character_ = state.character;
    anim_ = state.anim;
    anim_.set_character(state.loaded ? &character_ : nullptr);
    kept_gestures_.clear();
    if (frame_) {
        frame_->ShowFlashGesturesBar(state.loaded);
        if (flash_gesture_selection* view = frame_->FindFlashGesturesView()) view->OnCharacterChanged(state.loaded);
    }
    RefreshViews();
}

bool CPhonarcDocFlash::SelectCharacterTemplate(const std::string& path, std::ostream& errors) {
    character_state after;
    after.path = path;
    if (!LoadCharacterTemplate(path, after.character, errors)) return false;

    // The gestures keep their names; their clips are those of the new template, found as a
    // results file finds them (a gesture the template lacks keeps no clip).
    character_state before = CharacterState();
    std::stringstream gestures;
    if (HasTemplate()) anim_.write_gesture_section(gestures);
    else gestures << kept_gestures_;
    after.loaded = true;
    after.anim.set_character(&after.character);
    if (info_.frame_rate != 0) after.anim.set_frame_rate(info_.frame_rate);
    std::ostringstream ignored;
    after.anim.read_gesture_section(gestures, ignored);
    // The history takes the action over; the state it applies points at the document's copy.
    auto* action = new character_action(this, std::move(before), std::move(after));
    action->Do();
    return true;
}

bool CPhonarcDocFlash::OnSelectCharacter() {
    IPrompts* prompts = host().prompts;
    if (!prompts) return false;
    FileDialogRequest request;
    request.title = kTextSelectCharacter;
    request.filter = "Flash Character Templates (*.swf)|*.swf|All Files (*.*)|*.*||";
    request.defaultExtension = "swf";
    request.initialPath = info_.character_path;
    const std::optional<std::string> path = prompts->ChooseFile(request);
    if (!path) return false;
    std::ostringstream errors;
    if (SelectCharacterTemplate(*path, errors)) return true;
    prompts->MessageBox(errors.str(), PromptButtons::Ok);
    return false;
}

void CPhonarcDocFlash::CommitAnim(const std::string& name, const FZuvoAnim& after) {
    auto* action = new swf_edit_action(name, this, anim_copy<FZuvoAnim>(anim_), anim_copy<FZuvoAnim>(after));
    action->Do();  // the history takes the action over
}

void CPhonarcDocFlash::OnExtractGestures() {
    app_sync_results track = this->track(1);
    if (track.phonemes.empty()) {
        host().prompts->MessageBox(kTextLipsyncFirst, PromptButtons::Ok);
        return;
    }
    const int duration = audio() ? static_cast<int>(audio()->FramesToMs(audio()->GetFrameCount())) : 0;
    if (HasTemplate()) {
        FZuvoAnim copy = anim_;
        copy.extract_gestures(track, duration);
        track.gestures = copy.get_auto_gestures();
        auto* group = new multi_action(kTextAutoGesture, this);
        group->Add(new swf_edit_action(kTextAutoGesture, this, anim_copy<FZuvoAnim>(anim_), anim_copy<FZuvoAnim>(copy)));
        CommitTrackEdit(kTextAutoGesture, track, 1, -1, -1, group);
        if (frame_) frame_->ShowChannel(kShowFlashGestures);
    } else {
        track.gestures = GenerateGesturesWithoutTemplate(track, !results_file().script_text.empty());
        // A track read from a results file may run past the recording; its gestures may not.
        KeepGesturesWithinRecording(track.gestures, duration);
        CommitTrackEdit(kTextAutoGesture, track, 1, -1, -1);
    }
    if (frame_) frame_->ShowChannel(kShowGestures);
}

namespace {

std::vector<command_row<CPhonarcDocFlash>> MakeFlashRows() {
    using D = CPhonarcDocFlash;
    std::vector<command_row<D>> rows = {
        {cmd::ExtractGestures, [](D& d) { d.OnExtractGestures(); }, {}, kNeedDocument},
        {cmd::SelectCharacter, [](D& d) { d.OnSelectCharacter(); }, {}, kNeedDocument},
    };
    for (int id : {cmd::ExportLipsync, cmd::PublishSettings, cmd::PublishSwf})
        rows.push_back({id, [](D&) {}, [](D&) { return EnabledIf(false); }});
    return rows;
}

}  // namespace

const std::vector<command_row<CPhonarcDocFlash>>& FlashDocumentCommandRows() {
    static const std::vector<command_row<CPhonarcDocFlash>> rows = MakeFlashRows();
    return rows;
}
