// Qt keys as the virtual-key numbers and shift bits (ssShift, ssCtrl, ssAlt) that the command tables
// are written in: letters 65-90, digits 48-57, arrows 37-40, F1 112 and so on.
#pragma once

#include <QtCore/qnamespace.h>
#include <QtGlobal>
#include <optional>

namespace hy::viewer {

// Virtual-key codes the command tables and the viewer use by name (vkPrior is Page Up, vkNext Page Down,
// vkMenu Alt; named apart from the platform's own VK_ macros).
enum VirtualKeyCode : quint8 {
    vkBack = 8,
    vkTab = 9,
    vkReturn = 13,
    vkShift = 16,
    vkControl = 17,
    vkMenu = 18,
    vkCapital = 20,
    vkEscape = 27,
    vkSpace = 32,
    vkPrior = 33,
    vkNext = 34,
    vkEnd = 35,
    vkHome = 36,
    vkLeft = 37,
    vkUp = 38,
    vkRight = 39,
    vkDown = 40,
    vkInsert = 45,
    vkDelete = 46,
    vkLWin = 91,
    vkF1 = 112,
    vkF2 = 113,
    vkLetterA = 65, // letters are 65..90, digits 48..57
    vkDigit0 = 48,
    vkNumLock = 144,
    vkScroll = 145,
};

struct TVirtualKey {
    quint8 Key = 0; // virtual-key code
    quint8 Shift = 0; // ssShift | ssCtrl | ssAlt
    bool IsModifier = false; // Shift, Ctrl, Alt, AltGr or Meta pressed alone
    bool operator==(const TVirtualKey&) const = default;
};

// The virtual key of a Qt key event (key() and modifiers()); nullopt for keys that have none.
// Shifted symbols of the US digit row ("!" .. ")") come back as their digit keys, and Backtab as Tab,
// so Ctrl+Shift+1 and Shift+Tab reach the tables as the keys that were pressed.
std::optional<TVirtualKey> VirtualKeyFromQt(int qtKey, Qt::KeyboardModifiers modifiers);

// The shift bits of a set of Qt modifiers (Meta and Keypad are not shift states).
quint8 ShiftBitsFromQt(Qt::KeyboardModifiers modifiers);

} // namespace hy::viewer
