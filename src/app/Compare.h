// File > Compare: compares the files of every open viewer window (two to five), shows them side by side in
// Hex view with the first difference marked, asks whether to go on, and reports the count of dissimilar
// bytes. The comparing itself is TFileCompare's.
#pragma once

namespace hy::app {

class TMainForm;

void CompareFiles(TMainForm& form);

} // namespace hy::app
