// The file list's geometry and key rules as plain functions: item height from the font, the horizontal
// extent, where the column header stands while the list scrolls sideways, and the letter jump.
#pragma once

#include "core/filelist/FileEntry.h"

#include <QChar>
#include <QRect>
#include <array>
#include <functional>

namespace hy::filelist {

// Widths of the detail columns Name, Size, Date, Time, Attr.
using TColumnWidths = std::array<int, kFileDetailCount>;
inline constexpr TColumnWidths kDefaultColumnWidths { 150, 75, 70, 90, 45 };
inline constexpr int kMinNameColumnWidth = 30;
// Where the name stands right of the icon.
inline constexpr int kNameIndent = 20;

// The larger of 16 and twice the font's pixel height less its point size, rounded down to an even number.
int ListItemHeight(int fontPixelHeight, int fontPointSize);

// A column width as it is stored: never negative, the Name column at least 30.
int ClampColumnWidth(TFileDetailItems column, int width);

// With details: the sum of the shown columns' widths.
int DetailsExtent(const TColumnWidths& widths, TFileDetails details);

// Names only: the widest entry (text width + 20), so that every name can be scrolled into view.
int NamesExtent(int count, const std::function<int(int)>& textWidth);

// The header follows the list's horizontal scroll position: its left edge at minus the position and its
// width the position plus the client width of its parent.
QRect HeaderGeometry(const QRect& header, int scrollPosition, int parentClientWidth);

// The entry a typed letter or digit jumps to: from the one after the focused entry, forward and round to
// the top, the first whose name begins with the key (compared upper-case); -1 when none does.
int LetterJumpTarget(int count, int focused, QChar key, const std::function<QString(int)>& name);

} // namespace hy::filelist
