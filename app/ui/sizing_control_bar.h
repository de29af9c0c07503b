// Resizable docking bars: a dock widget with a title, a close button that only hides it, minimum
// sizes, and three remembered sizes (docked across the top or bottom, docked at a side,
// floating) kept in the profile. The output bar and the viewer bar are such bars.
#pragma once

#include <QDockWidget>
#include <QList>
#include <QSize>
#include <string>

class IProfileStore;
class QMainWindow;

// GUI thread only.
class CSizingControlBar : public QDockWidget {
    Q_OBJECT
public:
    static constexpr QSize kMinHorz{33, 32};
    static constexpr QSize kMinVert{33, 32};
    static constexpr QSize kMinFloat{37, 32};

    // All three sizes start as defaultSize. The id names the bar in the profile and the layout.
    CSizingControlBar(const QString& title, QWidget* parent, QSize defaultSize, int id);
    ~CSizingControlBar() override;

    int BarId() const { return id_; }
    QSize HorzSize() const { return sizeHorz_; }
    QSize VertSize() const { return sizeVert_; }
    QSize FloatSize() const { return sizeFloat_; }

    // Section "<name>-SCBar-<id>", keys sizeHorzCX ... sizeFloatCY. A value below its minimum
    // loads as the minimum; a missing one keeps the current size.
    void LoadSizes(const IProfileStore& profile, const std::string& name);
    void SaveSizes(IProfileStore& profile, const std::string& name) const;
    // The sizing bars the frame docks itself, floating or not; not those of frames inside it (a
    // document frame inside the main frame has bars of its own).
    static QList<CSizingControlBar*> BarsOf(const QMainWindow* frame);
    // The same for every one of BarsOf(frame).
    static void LoadBarSizes(QMainWindow* frame, const IProfileStore& profile, const std::string& name);
    static void SaveBarSizes(QMainWindow* frame, IProfileStore& profile, const std::string& name);
    // Gives the bar its remembered size for where it is now.
    void ApplySize();
    // A caption in the active title colours while the keyboard focus is inside the bar and in the
    // inactive ones otherwise, with the close glyph (the script editor's and the viewer's bars).
    void UseFocusCaption();
    bool CaptionActive() const { return captionActive_; }

    QSize sizeHint() const override;
    QSize minimumSizeHint() const override;

protected:
    void resizeEvent(QResizeEvent* event) override;

private:
    enum class Place { Horz, Vert, Float };
    Place CurrentPlace() const;
    QMainWindow* Frame() const;

    void FocusChanged();

    int id_;
    QSize sizeHorz_, sizeVert_, sizeFloat_;
    bool captionActive_ = false;
};
