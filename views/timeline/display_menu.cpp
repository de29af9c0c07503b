// The Display menu.
#include "views/timeline/display_menu.h"

#include <QMenu>

#include "views/timeline/timeline_layout.h"

const std::vector<DisplayMenuItem> kMarginDisplayMenuOrder = {
    {kShowWaveform, 32774, "Waveform"},
    {kShowSpectrogram, 32775, "Spectral"},
    {kShowFlashGestures, 32959, "Flash Gesture Channel"},
    {kShowPitch, 32822, "Raw Pitch Contour (slow)"},
    {kShowPhonemes, 32783, "Phonemes Channel"},
    {kShowPhonemeEnergy, 32898, "Morph/Energy Channel"},
    {kShowWords, 32804, "Words Channel"},
    {kShowGestures, 32941, "Gestures Channel"},
    {kShowEvents, 32820, "User Events Channel"},
    {kShowEnergy, 32787, "Energy Contour"},
};

const std::vector<DisplayMenuItem> kMainDisplayMenuOrder = {
    {kShowWaveform, 32774, "Waveform"},
    {kShowSpectrogram, 32775, "Spectral"},
    {kShowFlashGestures, 32959, "Flash Gesture Channel"},
    {kShowPitch, 32822, "Raw Pitch Contour (slow)"},
    {kShowPhonemes, 32783, "Phonemes Channel"},
    {kShowPhonemeEnergy, 32898, "Morph/Energy Channel"},
    {kShowWords, 32804, "Words Channel"},
    {kShowEvents, 32820, "User Events Channel"},
    {kShowGestures, 32941, "Gestures Channel"},
    {kShowEnergy, 32787, "Energy Contour"},
};

QMenu* MakeDisplayMenu(QWidget* parent, const std::vector<DisplayMenuItem>& items, uint32_t mask,
                       std::function<void(uint32_t bit)> toggle) {
    auto* menu = new QMenu(QStringLiteral("Display"), parent);
    for (const DisplayMenuItem& item : items) {
        QAction* action = menu->addAction(QString::fromUtf8(item.text));
        action->setCheckable(true);
        action->setChecked((mask & item.bit) != 0);
        action->setData(item.command);
        const uint32_t bit = item.bit;
        QObject::connect(action, &QAction::triggered, menu, [toggle, bit] { toggle(bit); });
    }
    return menu;
}
