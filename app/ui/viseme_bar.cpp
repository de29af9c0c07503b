// The viewer bar: the head view, the actor list and the camera controls.
#include "app/ui/viseme_bar.h"

#include <QCheckBox>
#include <QOpenGLContext>
#include <QComboBox>
#include <QGuiApplication>
#include <QPushButton>
#include <QResizeEvent>

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <new>
#include <sstream>
#include <vector>

#include "app/core/command_rows.h"
#include "app/core/compiled_pack_target.h"
#include "app/core/output_log.h"
#include "app/core/profile_store.h"
#include "app/core/prompts.h"
#include "app/core/command_ids.h"
#include "app/ui/main_frame.h"
#include "app/ui/progress_dlg.h"
#include "app/ui/sizing_control_bar.h"
#include "platform/safe_save.h"
#include "views/heads/d3d/d3d_viseme_view.h"
#include "views/heads/head2d/wireframe_viseme_view.h"
#include "views/heads/model_files/d3d_texture.h"

namespace {
constexpr const char* kLoadingText = "Loading 3d model...";
constexpr const char* kImportEntry = "Import New Actor...";
constexpr const char* kSection = "UI";
constexpr const char* kDistanceKey = "3d_dist1";
constexpr const char* kAngleKey = "3d_angle";
constexpr const char* kVerticalKey = "3d_angle_vert";
constexpr int k2dViewId = 10;
constexpr int k3dViewId = 11;

// A platform that cannot compose OpenGL widgets (offscreen, minimal: even where they can make a
// context) or has no OpenGL cannot show a 3D view: such a view crashes the window's first flush.
// The 3D heads then fail to load and the bar falls back to the 2D head.
bool OpenGLAvailable() {
    static const bool available = [] {
        const QString platform = QGuiApplication::platformName();
        QOpenGLContext context;
        const bool made = platform != QLatin1String("offscreen") && platform != QLatin1String("minimal") &&
                          context.create();
        if (!made) qWarning("No OpenGL: the 3D heads cannot be shown, the 2D head is used instead.");
        return made;
    }();
    return available;
}
}  // namespace

VisemeBarLayout LayoutVisemeBar(const QRect& client, const QSize& list_hint) {
    VisemeBarLayout l;
    const int left = client.left(), top = client.top();
    const int right = left + client.width(), bottom = top + client.height();
    const int width = right - left;
    const int listWidth = std::max(150, std::min(list_hint.width() + 2, width));
    const int extra = std::max(0, list_hint.height() - 20);  // rows below the list move down by it
    int viewBottom = bottom - 57 - extra;
    if (viewBottom - top > width * 3 / 2) viewBottom = top + (width * 3) / 2;
    l.view = QRect(left, top, width, std::max(0, viewBottom - top));
    const int b = viewBottom;
    const int listLeft = std::max(0, right - listWidth);
    l.actorList = QRect(listLeft, b + 2, std::max(0, right - 2 - listLeft), 20 + extra);
    l.zoomIn = QRect(listLeft, b + 24 + extra, 60, 15);
    l.zoomOut = QRect(listLeft + 60 + 5, b + 24 + extra, 60, 15);
    l.smooth = QRect(listLeft, b + 42 + extra, std::max(0, right - listLeft), 15);
    return l;
}

CVisemeDlgBar::CVisemeDlgBar(actor_mgr& actors, IProfileStore& profile, IPrompts& prompts, QWidget* parent)
    : QWidget(parent), actors_(actors), profile_(profile), prompts_(prompts) {
    setObjectName(QStringLiteral("VisemeBar"));
    setBackgroundRole(QPalette::Button);
    setAutoFillBackground(true);
    actorList_ = new QComboBox(this);
    actorList_->setObjectName(QStringLiteral("ActorList"));
    actorList_->setMaxVisibleItems(12);
    actorList_->setSizeAdjustPolicy(QComboBox::AdjustToContents);
    zoomIn_ = new QPushButton(tr("Zoom In"), this);
    zoomOut_ = new QPushButton(tr("Zoom Out"), this);
    smooth_ = new QCheckBox(tr("Smooth"), this);
    zoomIn_->setEnabled(false);
    zoomOut_->setEnabled(false);
    // Small fixed-height controls: the layout gives them 15 to 20 pixels.
    for (QWidget* w : std::initializer_list<QWidget*>{zoomIn_, zoomOut_, smooth_}) {
        QFont f = w->font();
        f.setPointSizeF(std::max(6.0, f.pointSizeF() * 0.85));
        w->setFont(f);
        w->setFocusPolicy(Qt::NoFocus);
    }
    zoomIn_->setStyleSheet(QStringLiteral("padding: 0px;"));
    zoomOut_->setStyleSheet(QStringLiteral("padding: 0px;"));
    connect(zoomIn_, &QPushButton::clicked, this, &CVisemeDlgBar::OnZoomIn);
    connect(zoomOut_, &QPushButton::clicked, this, &CVisemeDlgBar::OnZoomOut);
    connect(smooth_, &QCheckBox::clicked, this, &CVisemeDlgBar::ReturnFocus);
    connect(actorList_, &QComboBox::activated, this, &CVisemeDlgBar::OnActorSelChange);
}

CVisemeDlgBar::~CVisemeDlgBar() {
    SaveViewSettings();
    actors_.unsubscribe(this);
    ReplaceView(nullptr, nullptr, nullptr);
}

void CVisemeDlgBar::InitViews() {
    if (view_) return;
    smooth_->setChecked(true);
    FillActorCombo();
    actors_.subscribe(this);
    const ActorRecord selected = actors_.GetSelectedActor();
    if (!LoadActor(selected, nullptr)) {
        const ActorRecord fallback = actors_.GetDefaultActor();
        if (!LoadActor(fallback, nullptr)) LoadActor(ActorRecord(actors_.GetFirstActor()), nullptr);
    }
    zoomIn_->setEnabled(true);
    zoomOut_->setEnabled(true);
}

void CVisemeDlgBar::SetViseme(const char* label, int32_t amount) {
    if (view_ && handler_) handler_->SetViseme(label, amount);
}

void CVisemeDlgBar::SetVisemeMix(const ArticulationKey* key) {
    if (view_ && handler_) handler_->SetVisemeMix(key);
}

bool CVisemeDlgBar::IsSmoothVisemes() const { return smooth_->isChecked(); }

bool CVisemeDlgBar::CanSaveCompiledCharacter() const {
    const uint32_t flags = actors_.GetSelectedActor().flags;
    return (flags & kActor3D) && !(flags & kActorCharacterPack);
}

bool CVisemeDlgBar::OnSaveCompiledCharacter() {
    const ActorRecord actor = actors_.GetSelectedActor();
    if (!(actor.flags & kActor3D) || !d3d_) {
        prompts_.MessageBox("Save binary only works on 3d characters. Please select your 3d character and try again.",
                            PromptButtons::Ok);
        return false;
    }
    FileDialogRequest request;
    request.open = false;
    request.defaultExtension = ".zcpk";
    request.initialPath = ProposedPackPath(actor.path);
    request.filter = "Zuvotrix Character Pack (*.zcpk)|*.zcpk|All Files (*.*)|*.*||";
    const std::optional<std::string> path = prompts_.ChooseFile(request);
    if (!path) return false;
    // A pack over the character's own text file or one of its models or textures would lose
    // the user's work for good: the pack cannot be turned back into them.
    const std::string conflict = PackTargetConflict(*path, actor.path, d3d_->Character().SourceFiles());
    if (!conflict.empty()) {
        prompts_.MessageBox(PackOverSourceMessage(conflict), PromptButtons::Ok);
        return false;
    }
    std::vector<uint8_t> pack;
    std::string why;
    try {
        pack = d3d_->WriteCharacterPack(&why);
    } catch (const std::bad_alloc&) {
        prompts_.MessageBox("There is not enough memory to compile the character. Please close something and try again.",
                            PromptButtons::Ok);
        return false;
    }
    if (pack.empty()) {
        prompts_.MessageBox("The character cannot be compiled: " + why + ".", PromptButtons::Ok);
        return false;
    }
    std::string error;
    if (!SaveBytesSafely(*path, std::string_view(reinterpret_cast<const char*>(pack.data()), pack.size()), &error)) {
        prompts_.MessageBox("Sorry, the file cannot be written. Please select a new file and try again.\n\n" + error,
                            PromptButtons::Ok);
        return false;
    }
    return true;
}

void CVisemeDlgBar::ReplaceView(QWidget* view, IVisemeHandler* handler, CD3dVisemeView* d3d) {
    QWidget* old = view_;
    view_ = view;
    handler_ = handler;
    d3d_ = d3d;
    delete old;
}

bool CVisemeDlgBar::LoadActor(const ActorRecord& actor, CProgress* progress, std::string* error) {
    if (actor.flags & kActor3D) return Load3dActor(actor, progress, error);
    if (!(actor.flags & kActor2DWireframe)) {
        if (error) *error = "it is no kind of head the program knows";
        return false;
    }
    auto* view = new CWireFrameVisemeView(this);
    view->setObjectName(QStringLiteral("HeadView%1").arg(k2dViewId));
    view->setGeometry(LayoutVisemeBar(rect(), actorList_->sizeHint()).view);
    view->Init();
    ReplaceView(view, view, nullptr);
    shownGuid_ = actor.guid;
    view->show();
    return true;
}

ResourceBytes CVisemeDlgBar::FindHeadResource(const std::string& type, uint32_t id) const {
    if (id > 0xFFFF) return {};
    return FindEmbeddedResourceById(type.c_str(), static_cast<uint16_t>(id));
}

bool CVisemeDlgBar::Load3dActor(const ActorRecord& actor, CProgress* progress, std::string* reason) {
    loaderSpoke_ = false;
    if (!OpenGLAvailable()) {
        if (reason) *reason = "there is no OpenGL to draw a 3D head with";
        return false;
    }
    auto* view = new CD3dVisemeView(this);
    view->setObjectName(QStringLiteral("HeadView%1").arg(k3dViewId));
    view->hide();  // shown once it holds the character
    view->setGeometry(LayoutVisemeBar(rect(), actorList_->sizeHint()).view);
    view->Character().SetMessageSink([this](const std::string& text) {
        loaderSpoke_ = true;
        prompts_.MessageBox(text, PromptButtons::Ok);
    });
    bool loaded = false;
    std::string error;
    // A character file is read only when it is a regular file of a sane size: a folder, a device
    // or a pipe is a file that does not open. Running out of memory ends this load, not the program.
    try {
        if (!actor.resourceType.empty()) {
            const ResourceBytes bytes = FindHeadResource(actor.resourceType, actor.resourceId);
            if (bytes.data && bytes.size >= 1) loaded = view->ReadCharacterPack(bytes.data, bytes.size, &error);
        } else if (std::vector<uint8_t> bytes; ReadHeadFile(actor.path, bytes, &error)) {
            if (actor.flags & kActorCharacterPack) {
                if (bytes.empty()) error = "the file is empty";
                loaded = !bytes.empty() && view->ReadCharacterPack(bytes.data(), bytes.size(), &error);
            } else {
                std::istringstream in(std::string(bytes.begin(), bytes.end()));
                std::vector<uint8_t>().swap(bytes);
                std::string folder = std::filesystem::path(actor.path).parent_path().string();
                if (folder.empty() || folder.back() != '/') folder += '/';
                d3d_character::progress_fn report;
                if (progress) report = [progress](int line, int count) { return progress->Progress(line, count); };
                loaded = view->CreateDeviceAndLoad(in, folder, report, &error);
            }
        }
    } catch (const std::bad_alloc&) {
        loaded = false;
        error = "there is not enough memory to load it";
        if (COutputLog* log = GetOutputLog())
            log->Warning("the character %s cannot be shown: there is not enough memory to load it\n",
                         actor.path.c_str());
    }
    // A head whose texture cannot be used still draws, untextured; the log says which one.
    if (COutputLog* log = GetOutputLog())
        for (const texture_failure& failure : view->Character().textures.Failures())
            log->Warning("%s\n", TextureFailureWarning(failure).c_str());
    if (!loaded) {
        delete view;
        if (reason) *reason = error.empty() ? "it cannot be read" : error;
        return false;
    }
    ReplaceView(view, view, view);
    shownGuid_ = actor.guid;
    RestoreViewSettings();
    view->show();
    return true;
}

void CVisemeDlgBar::FillActorCombo() {
    actorList_->clear();
    listActors_.clear();
    const std::string selected = actors_.GetSelectedGUID();
    for (const ActorRecord& actor : actors_.GetRecords()) {
        const int index = actorList_->count();
        actorList_->addItem(QString::fromStdString(actor.name));
        listActors_[index] = actor.guid;
        if (actor.guid == selected) actorList_->setCurrentIndex(index);
    }
    importIndex_ = actorList_->count();
    actorList_->addItem(QString::fromUtf8(kImportEntry));
    LayoutChildren();  // the list is as wide as its longest name
}

void CVisemeDlgBar::SaveViewSettings() {
    if (!d3d_) return;
    float distance, angle, vertical;
    CD3dVisemeView::GetCamera(distance, angle, vertical);
    profile_.WriteString(kSection, kDistanceKey, std::to_string(static_cast<double>(distance)));
    profile_.WriteString(kSection, kAngleKey, std::to_string(static_cast<double>(angle)));
    profile_.WriteString(kSection, kVerticalKey, std::to_string(static_cast<double>(vertical)));
}

void CVisemeDlgBar::RestoreViewSettings() {
    if (!d3d_) return;
    const std::string distance = profile_.GetString(kSection, kDistanceKey, "");
    if (distance.empty()) return;
    const float d = static_cast<float>(std::atof(distance.c_str()));
    const float angle = static_cast<float>(std::atof(profile_.GetString(kSection, kAngleKey, "").c_str()));
    const float vertical = static_cast<float>(std::atof(profile_.GetString(kSection, kVerticalKey, "").c_str()));
    if (d > 0) d3d_->SetCamera(d, angle, vertical);
}

void CVisemeDlgBar::OnZoomIn() {
    if (d3d_) {
        d3d_->SetCameraZoom(1.05f);
        SaveViewSettings();
    }
    ReturnFocus();
}

void CVisemeDlgBar::OnZoomOut() {
    if (d3d_) {
        d3d_->SetCameraZoom(0.95f);
        SaveViewSettings();
    }
    ReturnFocus();
}

void CVisemeDlgBar::OnActorSelChange(int index) {
    if (index < 0) return;
    if (index == importIndex_) {
        // A cancelled import leaves the list showing the selected actor again; a chosen file
        // is selected and the posted change refills the list.
        if (!actors_.ImportCharacter(prompts_)) FillActorCombo();
    } else if (const auto it = listActors_.find(index); it != listActors_.end()) {
        CProgressDlg dlg(QString(), window());
        dlg.SetStatusText(kLoadingText);
        dlg.CreateModeless();
        ActorRecord actor;
        if (actors_.FindActor(it->second, &actor)) actors_.SelectActor(actor);
    }
    ReturnFocus();
}

void CVisemeDlgBar::notify(publisher* sender, pub_message* message) {
    (void)sender;
    const bool selChange = static_cast<int>(message->type) == actors_.SelChangeMessage();
    message->release();
    if (selChange) OnSelChange();
}

void CVisemeDlgBar::OnSelChange() {
    if (loading_) {
        // The progress dialog lets the post queue run: load the newest selection afterwards.
        reloadPending_ = true;
        return;
    }
    loading_ = true;
    do {
        reloadPending_ = false;
        std::string report;
        {
            CProgressDlg dlg(QString(), window());
            dlg.SetStatusText(kLoadingText);
            dlg.CreateModeless();
            const ActorRecord selected = actors_.GetSelectedActor();
            const bool isDefault = actors_.GetSelectedGUID() == actors_.GetDefaultActor().guid;
            std::string error;
            if (LoadActor(selected, &dlg, &error)) {
                FillActorCombo();
            } else if (!selected.path.empty()) {
                // A character file that cannot be shown is not an actor: it is named with the
                // reason (unless the loader named its viseme file already), taken back off the
                // list, and the head shown before stays, with its entry selected.
                if (!loaderSpoke_)
                    report = "The character file '" + selected.path + "' cannot be shown: " + error + ".";
                if (selected.guid != shownGuid_) actors_.WithdrawActor(selected.guid, shownGuid_);
                FillActorCombo();
            } else {
                // A failed default falls back to the first actor (the 2D head), any other to the default.
                actors_.SelectActor(isDefault ? ActorRecord(actors_.GetFirstActor())
                                              : ActorRecord(actors_.GetDefaultActor()));
            }
        }
        // Once the progress dialog has gone, so that it does not stand behind the message.
        if (!report.empty()) prompts_.MessageBox(report, PromptButtons::Ok);
    } while (reloadPending_);
    loading_ = false;
}

void CVisemeDlgBar::ReturnFocus() {
    if (QWidget* w = window()) w->setFocus();
}

void CVisemeDlgBar::resizeEvent(QResizeEvent* event) {
    QWidget::resizeEvent(event);
    LayoutChildren();
}

void CVisemeDlgBar::LayoutChildren() {
    const VisemeBarLayout l = LayoutVisemeBar(rect(), actorList_->sizeHint());
    actorList_->setGeometry(l.actorList);
    zoomIn_->setGeometry(l.zoomIn);
    zoomOut_->setGeometry(l.zoomOut);
    smooth_->setGeometry(l.smooth);
    if (view_) view_->setGeometry(l.view);
    if (d3d_) d3d_->SetTransforms();
}

CVisemeDlgBar* InstallVisemeBar(CMainFrame& frame, CCommandRouter& router, actor_mgr& actors, IProfileStore& profile,
                                IPrompts& prompts) {
    CSizingControlBar* dock = frame.ViewerBar();
    auto* bar = new CVisemeDlgBar(actors, profile, prompts, dock);
    dock->setWidget(bar);
    frame.SetVisemeTarget(bar);
    const std::vector<command_row<CVisemeDlgBar>> rows = {
        {cmd::SaveCompiledCharacter, [](CVisemeDlgBar& b) { b.OnSaveCompiledCharacter(); },
         [](CVisemeDlgBar& b) { return EnabledIf(b.CanSaveCompiledCharacter()); }}};
    InstallCommandRows(router, rows, *bar);
    bar->InitViews();
    return bar;
}
