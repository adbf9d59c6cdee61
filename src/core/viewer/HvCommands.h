// Viewer command numbers: what a key, or a pair of keys, stands for once the command tables have
// translated it. Numbers from 256 up are user commands that the viewer hands to its owner.
#pragma once

#include <QtGlobal>

namespace hy::viewer {

enum Command : quint16 {
    ccNone = 0,
    ccBack,
    ccBotOfPage,
    ccBotRightCell,
    ccCompleteDate,
    ccCompleteTime,
    ccCopy,
    ccCtrlChar,
    ccCut,
    ccDec,
    ccDel, // 10
    ccDelBol,
    ccDelEol,
    ccDelLine,
    ccDelWord,
    ccDown,
    ccEnd,
    ccExtendDown,
    ccExtendEnd,
    ccExtendHome,
    ccExtendLeft, // 20
    ccExtendPgDn,
    ccExtendPgUp,
    ccExtendRight,
    ccExtendUp,
    ccExtBotOfPage,
    ccExtFirstPage,
    ccExtLastPage,
    ccExtTopOfPage,
    ccExtWordLeft,
    ccExtWordRight, // 30
    ccFirstPage,
    ccGotoMarker0, // 32 .. 41
    ccGotoMarker9 = ccGotoMarker0 + 9,
    ccHome, // 42
    ccInc,
    ccIns,
    ccLastPage,
    ccLeft,
    ccNewLine,
    ccNextPage,
    ccPageLeft,
    ccPageRight, // 50
    ccPaste,
    ccPrevPage,
    ccRedo,
    ccRestore,
    ccRight,
    ccScrollDown,
    ccScrollUp,
    ccSetMarker0, // 58 .. 67
    ccSetMarker9 = ccSetMarker0 + 9,
    ccTab, // 68
    ccTableEdit,
    ccTopLeftCell, // 70
    ccTopOfPage,
    ccUndo,
    ccUp,
    ccWordLeft,
    ccWordRight, // 75
    ccLastBuiltIn = ccWordRight,

    cpNotCommand = 252, // an ordinary key, a modifier alone, or a key taken literally
    cpBrokenSequence = 254, // a second key that completes no two-key sequence
    cpPendingSequence = 255, // the first key of a two-key sequence

    ccUserFirst = 256,
};

static_assert(ccHome == 42 && ccTab == 68 && ccWordRight == 75, "command numbers are stored in tables");

// Shift-state bits of a key in the command tables.
enum ShiftBits : quint8 {
    ssShift = 2,
    ssCtrl = 4,
    ssAlt = 8,
    ssSecondKeyPlain = 128, // second key of a sequence: no modifier, or Ctrl alone
};

} // namespace hy::viewer

namespace hy::viewer {

// The names of the built-in commands, indexed by command number.
inline constexpr const char* kCommandNames[] = {
    "ccNone",
    "ccBack",
    "ccBotOfPage",
    "ccBotRightCell",
    "ccCompleteDate",
    "ccCompleteTime",
    "ccCopy",
    "ccCtrlChar",
    "ccCut",
    "ccDec",
    "ccDel",
    "ccDelBol",
    "ccDelEol",
    "ccDelLine",
    "ccDelWord",
    "ccDown",
    "ccEnd",
    "ccExtendDown",
    "ccExtendEnd",
    "ccExtendHome",
    "ccExtendLeft",
    "ccExtendPgDn",
    "ccExtendPgUp",
    "ccExtendRight",
    "ccExtendUp",
    "ccExtBotOfPage",
    "ccExtFirstPage",
    "ccExtLastPage",
    "ccExtTopOfPage",
    "ccExtWordLeft",
    "ccExtWordRight",
    "ccFirstPage",
    "ccGotoMarker0",
    "ccGotoMarker1",
    "ccGotoMarker2",
    "ccGotoMarker3",
    "ccGotoMarker4",
    "ccGotoMarker5",
    "ccGotoMarker6",
    "ccGotoMarker7",
    "ccGotoMarker8",
    "ccGotoMarker9",
    "ccHome",
    "ccInc",
    "ccIns",
    "ccLastPage",
    "ccLeft",
    "ccNewLine",
    "ccNextPage",
    "ccPageLeft",
    "ccPageRight",
    "ccPaste",
    "ccPrevPage",
    "ccRedo",
    "ccRestore",
    "ccRight",
    "ccScrollDown",
    "ccScrollUp",
    "ccSetMarker0",
    "ccSetMarker1",
    "ccSetMarker2",
    "ccSetMarker3",
    "ccSetMarker4",
    "ccSetMarker5",
    "ccSetMarker6",
    "ccSetMarker7",
    "ccSetMarker8",
    "ccSetMarker9",
    "ccTab",
    "ccTableEdit",
    "ccTopLeftCell",
    "ccTopOfPage",
    "ccUndo",
    "ccUp",
    "ccWordLeft",
    "ccWordRight",
};
static_assert(sizeof(kCommandNames) / sizeof(kCommandNames[0]) == ccLastBuiltIn + 1, "one name per command");

} // namespace hy::viewer
