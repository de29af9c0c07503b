// Sizes of the resizable docking bars.
#include "app/ui/sizing_control_bar.h"

#include <QMainWindow>
#include <QResizeEvent>

#include "app/core/profile_store.h"

CSizingControlBar::CSizingControlBar(const QString& title, QWidget* parent, QSize defaultSize, int id)
    : QDockWidget(title, parent), id_(id), sizeHorz_(defaultSize), sizeVert_(defaultSize), sizeFloat_(defaultSize) {
    setObjectName(QStringLiteral("SCBar-%1").arg(id));
    // Closing hides the bar; the frame's commands show it again at its last size.
    setFeatures(QDockWidget::DockWidgetClosable | QDockWidget::DockWidgetMovable | QDockWidget::DockWidgetFloatable);
    connect(this, &QDockWidget::topLevelChanged, this, [this] { ApplySize(); });
    connect(this, &QDockWidget::dockLocationChanged, this, [this] { ApplySize(); });
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

void CSizingControlBar::LoadBarSizes(QMainWindow* frame, const IProfileStore& profile, const std::string& name) {
    for (CSizingControlBar* bar : frame->findChildren<CSizingControlBar*>()) bar->LoadSizes(profile, name);
}

void CSizingControlBar::SaveBarSizes(QMainWindow* frame, IProfileStore& profile, const std::string& name) {
    for (CSizingControlBar* bar : frame->findChildren<CSizingControlBar*>()) bar->SaveSizes(profile, name);
}
