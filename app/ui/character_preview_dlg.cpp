// The character preview.
#include "app/ui/character_preview_dlg.h"

#include <QDialogButtonBox>
#include <QHBoxLayout>
#include <QListWidget>
#include <QPushButton>
#include <QSlider>
#include <QTimer>
#include <QVBoxLayout>
#include <algorithm>

#include "flash/swf_char.h"
#include "flash/ui/swf_player_control.h"

CCharacterPreviewDlg::CCharacterPreviewDlg(const std::string& path, const zuvo_swf_char& character, QWidget* parent)
    : QDialog(parent) {
    setWindowTitle(tr("Preview the character in Flash"));
    auto* layout = new QHBoxLayout(this);
    clips = new QListWidget(this);
    clips->setObjectName(QStringLiteral("Clips"));
    clips->setMinimumWidth(160);
    layout->addWidget(clips);
    auto* right = new QVBoxLayout;
    player = new CSwfPlayerControl(this);
    player->setObjectName(QStringLiteral("Player"));
    player->setMinimumSize(320, 240);
    player->SetMovie(QString::fromStdString(path));
    right->addWidget(player, 1);
    auto* controls = new QHBoxLayout;
    play = new QPushButton(tr("&Play"), this);
    play->setCheckable(true);
    frame = new QSlider(Qt::Horizontal, this);
    frame->setObjectName(QStringLiteral("Frame"));
    controls->addWidget(play);
    controls->addWidget(frame, 1);
    right->addLayout(controls);
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Close, this);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    right->addWidget(buttons);
    layout->addLayout(right, 1);

    for (const swf_char_gesture& clip : character.get_gestures()) {
        // Hookup clips have no place on the main timeline, which is what the player shows.
        if (clip.pose.empty() && clip.gesture.empty()) continue;
        QString name = QString::fromStdString(clip.pose);
        if (!clip.gesture.empty() && clip.gesture != clip.pose) name += QStringLiteral(" | ") + QString::fromStdString(clip.gesture);
        clips->addItem(name);
        spans_.push_back({clip.first_frame, std::max(1, static_cast<int>(clip.frame_count))});
    }
    // The timer runs only while Play is down.
    timer_ = new QTimer(this);
    timer_->setInterval(1000 / std::max(1, static_cast<int>(character.frame_rate())));
    connect(timer_, &QTimer::timeout, this, [this] {
        frame->setValue(frame->value() < frame->maximum() ? frame->value() + 1 : 0);
    });
    connect(play, &QPushButton::toggled, this, [this](bool on) {
        if (on) timer_->start();
        else timer_->stop();
    });
    connect(clips, &QListWidget::currentRowChanged, this, &CCharacterPreviewDlg::ShowClip);
    connect(frame, &QSlider::valueChanged, this, &CCharacterPreviewDlg::ShowFrame);
    if (!spans_.empty()) clips->setCurrentRow(0);
}

void CCharacterPreviewDlg::ShowClip(int row) {
    if (row < 0 || row >= static_cast<int>(spans_.size())) return;
    const QSignalBlocker block(frame);
    frame->setRange(0, spans_[row].count - 1);
    frame->setValue(0);
    ShowFrame(0);
}

void CCharacterPreviewDlg::ShowFrame(int offset) {
    const int row = clips->currentRow();
    if (row < 0 || row >= static_cast<int>(spans_.size())) return;
    player->GotoFrame(spans_[row].first + offset);
}
