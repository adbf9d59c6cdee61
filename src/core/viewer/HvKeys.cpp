// The one table from Qt keys to virtual-key numbers, and the shift bits of Qt modifiers.
#include "core/viewer/HvKeys.h"

#include "core/viewer/HvCommands.h"

namespace hy::viewer {

namespace {

    struct KeyEntry {
        int QtKey;
        quint8 Key;
        bool IsModifier;
    };

    // Keys whose number does not follow from their character. Keypad keys are looked up in
    // kKeypadKeys first; the navigation keys of the keypad (Num Lock off) land here like the others.
    constexpr KeyEntry kNamedKeys[] = {
        { Qt::Key_Backspace, vkBack, false },
        { Qt::Key_Tab, vkTab, false },
        { Qt::Key_Backtab, vkTab, false }, // Shift+Tab
        { Qt::Key_Clear, 12, false },
        { Qt::Key_Return, vkReturn, false },
        { Qt::Key_Enter, vkReturn, false },
        { Qt::Key_Shift, vkShift, true },
        { Qt::Key_Control, vkControl, true },
        { Qt::Key_Alt, vkMenu, true },
        { Qt::Key_AltGr, vkMenu, true },
        { Qt::Key_Meta, vkLWin, true },
        { Qt::Key_Super_L, vkLWin, true },
        { Qt::Key_Super_R, 92, true },
        { Qt::Key_Pause, 19, false },
        { Qt::Key_CapsLock, vkCapital, false },
        { Qt::Key_Escape, vkEscape, false },
        { Qt::Key_Space, vkSpace, false },
        { Qt::Key_PageUp, vkPrior, false },
        { Qt::Key_PageDown, vkNext, false },
        { Qt::Key_End, vkEnd, false },
        { Qt::Key_Home, vkHome, false },
        { Qt::Key_Left, vkLeft, false },
        { Qt::Key_Up, vkUp, false },
        { Qt::Key_Right, vkRight, false },
        { Qt::Key_Down, vkDown, false },
        { Qt::Key_Select, 41, false },
        { Qt::Key_Print, 44, false },
        { Qt::Key_SysReq, 44, false },
        { Qt::Key_Insert, vkInsert, false },
        { Qt::Key_Delete, vkDelete, false },
        { Qt::Key_Help, 47, false },
        { Qt::Key_Menu, 93, false },
        { Qt::Key_NumLock, vkNumLock, false },
        { Qt::Key_ScrollLock, vkScroll, false },
        // Punctuation keys of the US layout, with the symbols their Shift gives.
        { Qt::Key_Semicolon, 186, false },
        { Qt::Key_Colon, 186, false },
        { Qt::Key_Equal, 187, false },
        { Qt::Key_Plus, 187, false },
        { Qt::Key_Comma, 188, false },
        { Qt::Key_Less, 188, false },
        { Qt::Key_Minus, 189, false },
        { Qt::Key_Underscore, 189, false },
        { Qt::Key_Period, 190, false },
        { Qt::Key_Greater, 190, false },
        { Qt::Key_Slash, 191, false },
        { Qt::Key_Question, 191, false },
        { Qt::Key_QuoteLeft, 192, false },
        { Qt::Key_AsciiTilde, 192, false },
        { Qt::Key_BracketLeft, 219, false },
        { Qt::Key_BraceLeft, 219, false },
        { Qt::Key_Backslash, 220, false },
        { Qt::Key_Bar, 220, false },
        { Qt::Key_BracketRight, 221, false },
        { Qt::Key_BraceRight, 221, false },
        { Qt::Key_Apostrophe, 222, false },
        { Qt::Key_QuoteDbl, 222, false },
    };

    // The symbols Shift gives on the US digit row, "!" for 1 .. ")" for 0.
    constexpr KeyEntry kShiftedDigits[] = {
        { Qt::Key_ParenRight, '0', false },
        { Qt::Key_Exclam, '1', false },
        { Qt::Key_At, '2', false },
        { Qt::Key_NumberSign, '3', false },
        { Qt::Key_Dollar, '4', false },
        { Qt::Key_Percent, '5', false },
        { Qt::Key_AsciiCircum, '6', false },
        { Qt::Key_Ampersand, '7', false },
        { Qt::Key_Asterisk, '8', false },
        { Qt::Key_ParenLeft, '9', false },
    };

    // Keys of the numeric keypad that have their own numbers.
    constexpr KeyEntry kKeypadKeys[] = {
        { Qt::Key_Asterisk, 106, false },
        { Qt::Key_Plus, 107, false },
        { Qt::Key_Minus, 109, false },
        { Qt::Key_Period, 110, false },
        { Qt::Key_Comma, 110, false },
        { Qt::Key_Slash, 111, false },
    };

    template <size_t N> const KeyEntry* Find(const KeyEntry (&table)[N], int qtKey)
    {
        for (const KeyEntry& entry : table) {
            if (entry.QtKey == qtKey)
                return &entry;
        }
        return nullptr;
    }

} // namespace

quint8 ShiftBitsFromQt(Qt::KeyboardModifiers modifiers)
{
    quint8 bits = 0;
    if (modifiers & Qt::ShiftModifier)
        bits |= ssShift;
    if (modifiers & Qt::ControlModifier)
        bits |= ssCtrl;
    if (modifiers & Qt::AltModifier)
        bits |= ssAlt;
    return bits;
}

std::optional<TVirtualKey> VirtualKeyFromQt(int qtKey, Qt::KeyboardModifiers modifiers)
{
    const quint8 shift = ShiftBitsFromQt(modifiers);
    const auto make = [shift](quint8 key, bool isModifier) { return TVirtualKey { key, shift, isModifier }; };

    if (modifiers & Qt::KeypadModifier) {
        if (qtKey >= Qt::Key_0 && qtKey <= Qt::Key_9)
            return make(static_cast<quint8>(96 + (qtKey - Qt::Key_0)), false);
        if (const KeyEntry* entry = Find(kKeypadKeys, qtKey))
            return make(entry->Key, false);
    }
    if ((qtKey >= Qt::Key_A && qtKey <= Qt::Key_Z) || (qtKey >= Qt::Key_0 && qtKey <= Qt::Key_9))
        return make(static_cast<quint8>(qtKey), false);
    if (qtKey >= Qt::Key_F1 && qtKey <= Qt::Key_F24)
        return make(static_cast<quint8>(vkF1 + (qtKey - Qt::Key_F1)), false);
    // A digit-row symbol is taken as its digit only while Shift is down: other layouts put some of
    // these symbols on unshifted keys of their own.
    if (modifiers & Qt::ShiftModifier) {
        if (const KeyEntry* entry = Find(kShiftedDigits, qtKey))
            return make(entry->Key, false);
    }
    if (const KeyEntry* entry = Find(kNamedKeys, qtKey))
        return make(entry->Key, entry->IsModifier);
    return std::nullopt;
}

} // namespace hy::viewer
