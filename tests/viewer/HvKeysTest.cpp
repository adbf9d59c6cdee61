// Qt keys as virtual-key numbers and shift bits, for every key the command tables use and the keys
// that need care (keypad, shifted digits, Backtab, modifiers alone).
#include "core/viewer/HvKeys.h"

#include "core/viewer/HvCommands.h"

#include <gtest/gtest.h>

using namespace hy::viewer;

TEST(HvKeysTest, QtKeysMapToVirtualKeys)
{
    const Qt::KeyboardModifiers none = Qt::NoModifier, shift = Qt::ShiftModifier, ctrl = Qt::ControlModifier,
                                alt = Qt::AltModifier, pad = Qt::KeypadModifier;
    struct Case {
        int QtKey;
        Qt::KeyboardModifiers Modifiers;
        TVirtualKey Expected;
    };
    const Case cases[] = {
        { Qt::Key_Left, none, { 37, 0, false } },
        { Qt::Key_Up, shift, { 38, ssShift, false } },
        { Qt::Key_Right, ctrl | shift, { 39, ssCtrl | ssShift, false } },
        { Qt::Key_Down, ctrl, { 40, ssCtrl, false } },
        { Qt::Key_Home, none, { 36, 0, false } },
        { Qt::Key_End, none, { 35, 0, false } },
        { Qt::Key_PageUp, none, { 33, 0, false } },
        { Qt::Key_PageDown, none, { 34, 0, false } },
        { Qt::Key_Insert, none, { 45, 0, false } },
        { Qt::Key_Delete, shift, { 46, ssShift, false } },
        { Qt::Key_Backspace, alt, { 8, ssAlt, false } },
        { Qt::Key_Tab, ctrl, { 9, ssCtrl, false } },
        { Qt::Key_Backtab, shift, { 9, ssShift, false } },
        { Qt::Key_Return, ctrl, { 13, ssCtrl, false } },
        { Qt::Key_Enter, pad, { 13, 0, false } },
        { Qt::Key_Escape, none, { 27, 0, false } },
        { Qt::Key_Space, none, { 32, 0, false } },
        { Qt::Key_A, ctrl, { 65, ssCtrl, false } },
        { Qt::Key_Z, ctrl | shift, { 90, ssCtrl | ssShift, false } },
        { Qt::Key_0, ctrl, { 48, ssCtrl, false } },
        { Qt::Key_9, none, { 57, 0, false } },
        { Qt::Key_ParenRight, ctrl | shift, { 48, ssCtrl | ssShift, false } },
        { Qt::Key_Exclam, ctrl | shift, { 49, ssCtrl | ssShift, false } },
        { Qt::Key_At, shift, { 50, ssShift, false } },
        { Qt::Key_Asterisk, shift, { 56, ssShift, false } },
        { Qt::Key_ParenLeft, shift, { 57, ssShift, false } },
        { Qt::Key_F1, none, { 112, 0, false } },
        { Qt::Key_F2, none, { 113, 0, false } },
        { Qt::Key_F12, alt, { 123, ssAlt, false } },
        { Qt::Key_5, pad, { 101, 0, false } },
        { Qt::Key_0, pad, { 96, 0, false } },
        { Qt::Key_Asterisk, pad, { 106, 0, false } },
        { Qt::Key_Plus, pad, { 107, 0, false } },
        { Qt::Key_Minus, pad, { 109, 0, false } },
        { Qt::Key_Minus, none, { 189, 0, false } },
        { Qt::Key_Home, ctrl | pad, { 36, ssCtrl, false } }, // keypad with Num Lock off
        { Qt::Key_Shift, shift, { 16, ssShift, true } },
        { Qt::Key_Control, ctrl, { 17, ssCtrl, true } },
        { Qt::Key_Alt, alt, { 18, ssAlt, true } },
        { Qt::Key_Meta, Qt::MetaModifier, { 91, 0, true } },
        { Qt::Key_CapsLock, none, { 20, 0, false } },
        { Qt::Key_NumLock, none, { 144, 0, false } },
    };
    for (const Case& c : cases) {
        const std::optional<TVirtualKey> key = VirtualKeyFromQt(c.QtKey, c.Modifiers);
        ASSERT_TRUE(key.has_value()) << std::hex << c.QtKey;
        EXPECT_EQ(*key, c.Expected) << std::hex << c.QtKey << ": got " << std::dec << int(key->Key) << "/"
                                    << int(key->Shift) << "/" << key->IsModifier;
    }
}

TEST(HvKeysTest, KeysWithoutVirtualKey)
{
    for (int qtKey : { int(Qt::Key_Exclam), int(Qt::Key_Adiaeresis), int(Qt::Key_unknown), int(Qt::Key_VolumeUp) })
        EXPECT_FALSE(VirtualKeyFromQt(qtKey, Qt::NoModifier).has_value()) << std::hex << qtKey;
}

TEST(HvKeysTest, ShiftBits)
{
    EXPECT_EQ(ShiftBitsFromQt(Qt::NoModifier), 0);
    EXPECT_EQ(ShiftBitsFromQt(Qt::ShiftModifier | Qt::ControlModifier | Qt::AltModifier), 14);
    EXPECT_EQ(ShiftBitsFromQt(Qt::MetaModifier | Qt::KeypadModifier | Qt::GroupSwitchModifier), 0);
}
