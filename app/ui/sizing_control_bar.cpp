// Sizes of the resizable docking bars.
#include "app/ui/sizing_control_bar.h"

#include <QApplication>
#include <QMainWindow>
#include <QPainter>
#include <QResizeEvent>
#include <QToolButton>

#include "app/core/profile_store.h"

CSizingControlBar::CSizingControlBar(const QString& title, QWidget* parent, QSize defaultSize, int id)
    : QDockWidget(title, parent), id_(id), sizeHorz_(defaultSize), sizeVert_(defaultSize), sizeFloat_(defaultSize) {
    setObjectName(QStringLiteral("SCBar-%1").arg(id));
    // Closing hides the bar; the frame's commands show it again at its last size.
    setFeatures(QDockWidget::DockWidgetClosable | QDockWidget::DockWidgetMovable | QDockWidget::DockWidgetFloatable);
    connect(this, &QDockWidget::topLevelChanged, this, [this] { ApplySize(); });
    connect(this, &QDockWidget::dockLocationChanged, this, [this] { ApplySize(); });
}

// The focus moves while the widget underneath tears down, when this is no longer a bar.
CSizingControlBar::~CSizingControlBar() { disconnect(qApp, nullptr, this, nullptr); }

namespace {

// The caption band: the bar's title on the title colours of its state and the close glyph.
class CBarCaption : public QWidget {
public:
    explicit CBarCaption(CSizingControlBar* bar) : QWidget(bar), bar_(bar) {
        setObjectName(QStringLiteral("Caption"));
        close_ = new QToolButton(this);
        close_->setObjectName(QStringLiteral("CloseGlyph"));
        close_->setText(QStringLiteral("\u00D7"));
        close_->setAutoRaise(true);
        close_->setToolTip(tr("Close"));
        close_->setFixedSize(kHeight - 4, kHeight - 4);
        connect(close_, &QToolButton::clicked, bar, &QWidget::hide);
    }
    QSize sizeHint() const override { return {fontMetrics().horizontalAdvance(bar_->windowTitle()) + kHeight + 8, kHeight}; }
    QSize minimumSizeHint() const override { return {kHeight * 2, kHeight}; }

protected:
    void resizeEvent(QResizeEvent*) override { close_->move(width() - close_->width() - 2, 2); }
    void paintEvent(QPaintEvent*) override {
        QPainter p(this);
        const QPalette::ColorGroup group = bar_->CaptionActive() ? QPalette::Active : QPalette::Inactive;
        const QColor fill = bar_->CaptionActive() ? palette().color(group, QPalette::Highlight)
                                                  : palette().color(QPalette::Active, QPalette::Mid);
        const QColor text = bar_->CaptionActive() ? palette().color(group, QPalette::HighlightedText)
                                                  : palette().color(QPalette::Active, QPalette::Window);
        p.fillRect(rect(), fill);
        p.setPen(text);
        p.drawText(rect().adjusted(4, 0, -close_->width() - 4, 0), Qt::AlignVCenter | Qt::AlignLeft,
                   bar_->windowTitle());
    }

private:
    static constexpr int kHeight = 18;
    CSizingControlBar* bar_;
    QToolButton* close_;
};

}  // namespace

void CSizingControlBar::UseFocusCaption() {
    setTitleBarWidget(new CBarCaption(this));
    connect(qApp, &QApplication::focusChanged, this, &CSizingControlBar::FocusChanged);
    connect(this, &QDockWidget::windowTitleChanged, this, [this] { titleBarWidget()->update(); });
    FocusChanged();
}

void CSizingControlBar::FocusChanged() {
    const QWidget* focus = QApplication::focusWidget();
    const bool active = focus && isAncestorOf(focus);
    if (active == captionActive_) return;
    captionActive_ = active;
    if (QWidget* caption = titleBarWidget()) caption->update();
}

QMainWindow* CSizingControlBar::Frame() const { return qobject_cast<QMainWindow*>(parentWidget()); }

CSizingControlBar::Place CSizingControlBar::CurrentPlace() const {
    if (isFloating()) return Place::Float;
    const QMainWindow* frame = Frame();
    const Qt::DockWidgetArea area = frame ? frame->dockWidgetArea(const_cast<CSizingControlBar*>(this))
                                          : Qt::BottomDockWidgetArea;
    return area == Qt::LeftDockWidgetArea || area == Qt::RightDockWidgetArea ? Place::Vert : Place::Horz;
}

QSize CSizingControlBar::sizeHint() const {
    switch (CurrentPlace()) {
        case Place::Float: return sizeFloat_;
        case Place::Vert: return sizeVert_;
        case Place::Horz: break;
    }
    return sizeHorz_;
}

QSize CSizingControlBar::minimumSizeHint() const {
    const QSize own = QDockWidget::minimumSizeHint();
    const QSize min = CurrentPlace() == Place::Float ? kMinFloat : kMinHorz;
    return own.expandedTo(min);
}

void CSizingControlBar::resizeEvent(QResizeEvent* event) {
    QDockWidget::resizeEvent(event);
    if (!isVisible()) return;
    switch (CurrentPlace()) {
        case Place::Float: sizeFloat_ = event->size().expandedTo(kMinFloat); break;
        case Place::Vert: sizeVert_ = event->size().expandedTo(kMinVert); break;
        case Place::Horz: sizeHorz_ = event->size().expandedTo(kMinHorz); break;
    }
}

void CSizingControlBar::ApplySize() {
    QMainWindow* frame = Frame();
    switch (CurrentPlace()) {
        case Place::Float: resize(sizeFloat_); break;
        case Place::Vert:
            if (frame) frame->resizeDocks({this}, {sizeVert_.width()}, Qt::Horizontal);
            break;
        case Place::Horz:
            if (frame) frame->resizeDocks({this}, {sizeHorz_.height()}, Qt::Vertical);
            break;
    }
}

namespace {
std::string Section(const std::string& name, int id) { return name + "-SCBar-" + std::to_string(id); }

QSize LoadSize(const IProfileStore& p, const std::string& section, const char* prefix, QSize current, QSize min) {
    const int cx = p.GetInt(section, std::string(prefix) + "CX", current.width());
    const int cy = p.GetInt(section, std::string(prefix) + "CY", current.height());
    return QSize(std::max(cx, min.width()), std::max(cy, min.height()));
}
}  // namespace

void CSizingControlBar::LoadSizes(const IProfileStore& profile, const std::string& name) {
    const std::string section = Section(name, id_);
    sizeHorz_ = LoadSize(profile, section, "sizeHorz", sizeHorz_, kMinHorz);
    sizeVert_ = LoadSize(profile, section, "sizeVert", sizeVert_, kMinVert);
    sizeFloat_ = LoadSize(profile, section, "sizeFloat", sizeFloat_, kMinFloat);
}

void CSizingControlBar::SaveSizes(IProfileStore& profile, const std::string& name) const {
    const std::string section = Section(name, id_);
    profile.WriteInt(section, "sizeHorzCX", sizeHorz_.width());
    profile.WriteInt(section, "sizeHorzCY", sizeHorz_.height());
    profile.WriteInt(section, "sizeVertCX", sizeVert_.width());
    profile.WriteInt(section, "sizeVertCY", sizeVert_.height());
    profile.WriteInt(section, "sizeFloatCX", sizeFloat_.width());
    profile.WriteInt(section, "sizeFloatCY", sizeFloat_.height());
}

QList<CSizingControlBar*> CSizingControlBar::BarsOf(const QMainWindow* frame) {
    QList<CSizingControlBar*> bars;
    for (CSizingControlBar* bar : frame->findChildren<CSizingControlBar*>()) {
        // A bar belongs to the nearest frame above it; a floating group window is no frame.
        const QWidget* owner = bar->parentWidget();
        while (owner && !qobject_cast<const QMainWindow*>(owner)) owner = owner->parentWidget();
        if (owner == frame) bars << bar;
    }
    return bars;
}

void CSizingControlBar::LoadBarSizes(QMainWindow* frame, const IProfileStore& profile, const std::string& name) {
    for (CSizingControlBar* bar : BarsOf(frame)) bar->LoadSizes(profile, name);
}

void CSizingControlBar::SaveBarSizes(QMainWindow* frame, IProfileStore& profile, const std::string& name) {
    for (CSizingControlBar* bar : BarsOf(frame)) bar->SaveSizes(profile, name);
}
