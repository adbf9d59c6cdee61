// The style bits of a font, as the viewer's font and the stored viewer settings keep them.
#pragma once

namespace hy::base {

enum TFontStyle : unsigned { fsBold = 1, fsItalic = 2, fsUnderline = 4, fsStrikeOut = 8 };

} // namespace hy::base
