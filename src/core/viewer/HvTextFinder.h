// THvTextFinder: whether the bytes of a whole file, read into memory, hold a text as the file model's search
// from the top of the file (FindText with soWholeFile) finds it: the encoding told by the same first bytes,
// the text matched as characters of that encoding, with or without match case. The disk search reads small
// files whole and asks this instead of opening each one as a model. A finder keeps the pattern of each
// encoding it has met, so that a search over many files builds each one once; it serves one thread.
#pragma once

#include "core/viewer/HvEncoding.h"
#include "core/viewer/HvTextSearch.h"

#include <QString>
#include <cstddef>
#include <cstdint>
#include <map>
#include <optional>

namespace hy::viewer {

class THvTextFinder {
public:
    THvTextFinder(const QString& text, bool matchCase);

    // size is the file's whole size; bytes holds all of it. Nothing when only the model can tell: the bytes
    // are of a stateful encoding, whose text is matched on the decoded lines.
    std::optional<bool> Contains(const uint8_t* bytes, size_t size);

private:
    QString m_text;
    bool m_matchCase = false;
    std::map<TTextEncoding, std::optional<TTextPattern>> m_patterns;
};

} // namespace hy::viewer
