// The child frame of one document in the main window's document area, with the document's
// timeline view in its middle.
#pragma once

#include <functional>

#include "app/core/document_host.h"
#include "app/ui/child_frame.h"

class CPhonarcDoc;
class CPhonarcView;
struct timeline_view_setup;

// GUI thread only. Views its document; closing asks to save a modified document first.
class CDocumentFrame : public CChildFrame, public document_view {
    Q_OBJECT
public:
    // The context's document is replaced by doc. The view is made with the setup; the commands it
    // runs and its context menu make this frame the active one first, so that they act on this
    // frame's document. Create() builds the bars.
    CDocumentFrame(CPhonarcDoc& doc, child_frame_context context, timeline_view_setup setup,
                   QWidget* parent = nullptr);
    ~CDocumentFrame() override;

    CPhonarcDoc& Document() const { return doc_; }
    CPhonarcView* View() const { return view_; }
    // The document in words (audio, script, the three tracks' counts and extent) and what it wrote
    // to the output log.
    QString SummaryText() const;
    // Asked when the frame closes; true lets it close. Without one the document is asked directly.
    void SetCloseQuery(std::function<bool()> query) { closeQuery_ = std::move(query); }

    void SetTracks(const app_sync_results* tracks) override;
    void SetAudioStream(CMemoryPCMStream* audio) override;
    void RedrawChannels(bool all) override;
    void DocumentChanged() override;

signals:
    void TitleChanged();

protected:
    bool CanClose() override;

private:
    void Refresh();
    // Makes the frame's window the active one of its document area, as a click into it would.
    void Activate();

    CPhonarcDoc& doc_;
    CPhonarcView* view_;
    std::function<bool()> closeQuery_;
};
