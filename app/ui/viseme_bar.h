// The contents of the main frame's "View" bar: the selected actor's head (the 3D view or the 2D
// head), the actor list with "Import New Actor...", the zoom buttons and the "Smooth" box. It
// follows actor_mgr's selection, keeps the 3D camera in the profile and writes compiled packs.
#pragma once

#include <QRect>
#include <QWidget>
#include <string>
#include <map>

#include "app/core/actor_mgr.h"
#include "model/messaging.h"
#include "platform/resource_table.h"
#include "views/playback/viseme_handler.h"

class CCommandRouter;
class CD3dVisemeView;
class CMainFrame;
class CProgress;
class IProfileStore;
class IPrompts;
class QCheckBox;
class QComboBox;
class QPushButton;

// Where the bar's parts go in a client rectangle: the view on top, no taller than 1.5 times its
// width, the controls in the 57 pixels below it. A list whose texts need more room than 148 by 20
// pixels (list_hint) gets it, up to the bar's width, and the rows below it move down.
struct VisemeBarLayout {
    QRect view, actorList, zoomIn, zoomOut, smooth;
};
VisemeBarLayout LayoutVisemeBar(const QRect& client, const QSize& list_hint = QSize(148, 20));

// GUI thread only, the viseme calls too (the main frame passes them on): a shape reaches the
// view shown at the time, never one being replaced.
class CVisemeDlgBar : public QWidget, public subscriber, public IVisemeHandler {
    Q_OBJECT
public:
    CVisemeDlgBar(actor_mgr& actors, IProfileStore& profile, IPrompts& prompts, QWidget* parent = nullptr);
    ~CVisemeDlgBar() override;

    // Once, while no view exists: ticks "Smooth", fills the list, follows the actors and loads
    // the selected actor, else the default, else the first.
    void InitViews();

    void SetVisemeMix(const ArticulationKey* key) override;
    void SetViseme(const char* label, int32_t amount) override;
    // The viseme player's mode.
    bool IsSmoothVisemes() const;

    // The selected actor is a 3D character file (not a pack, not built in).
    bool CanSaveCompiledCharacter() const;
    // Asks for a ".zcpk" path and writes the shown 3D character there; true when written.
    bool OnSaveCompiledCharacter();

    // Shows the actor's head; false (the shown view kept) with the reason when it cannot be loaded.
    bool LoadActor(const ActorRecord& actor, CProgress* progress, std::string* error = nullptr);
    bool Load3dActor(const ActorRecord& actor, CProgress* progress, std::string* error = nullptr);
    void FillActorCombo();
    void SaveViewSettings();
    void RestoreViewSettings();

    void OnZoomIn();
    void OnZoomOut();
    // A list entry was chosen: the import entry imports, another selects its actor.
    void OnActorSelChange(int index);

    void notify(publisher* sender, pub_message* message) override;

    QWidget* View() const { return view_; }
    CD3dVisemeView* D3dView() const { return d3d_; }
    QComboBox* ActorList() const { return actorList_; }
    QPushButton* ZoomInButton() const { return zoomIn_; }
    QPushButton* ZoomOutButton() const { return zoomOut_; }
    QCheckBox* SmoothBox() const { return smooth_; }
    int ImportIndex() const { return importIndex_; }

protected:
    void resizeEvent(QResizeEvent* event) override;
    void LayoutChildren();
    // The bytes of a built-in head; the program's resources.
    virtual ResourceBytes FindHeadResource(const std::string& type, uint32_t id) const;

private:
    void OnSelChange();
    // Shows the new view (or none) in place of the old one, which is deleted.
    void ReplaceView(QWidget* view, IVisemeHandler* handler, CD3dVisemeView* d3d);
    void ReturnFocus();

    actor_mgr& actors_;
    IProfileStore& profile_;
    IPrompts& prompts_;

    QWidget* view_ = nullptr;
    IVisemeHandler* handler_ = nullptr;
    CD3dVisemeView* d3d_ = nullptr;

    QComboBox* actorList_;
    QPushButton* zoomIn_;
    QPushButton* zoomOut_;
    QCheckBox* smooth_;
    int importIndex_ = -1;
    std::map<int, std::string> listActors_;  // list position -> actor GUID
    std::string shownGuid_;       // the actor whose head the view shows
    bool loaderSpoke_ = false;    // the last 3D load showed its own message
    bool loading_ = false;        // a selection change is being loaded
    bool reloadPending_ = false;  // another arrived meanwhile (the progress dialog pumps events)
};

// Puts the bar into the frame's "View" bar, sends it the frame's visemes, installs the row of
// "Save Compiled Character..." and loads the first head.
CVisemeDlgBar* InstallVisemeBar(CMainFrame& frame, CCommandRouter& router, actor_mgr& actors, IProfileStore& profile,
                                IPrompts& prompts);
