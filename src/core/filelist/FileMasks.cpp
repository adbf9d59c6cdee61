// Mask lists and wildcard matching.
#include "core/filelist/FileMasks.h"

#include "common/HyUtils.h"
#include "common/Wildcards.h"

namespace hy::filelist {

using namespace hy::common;

namespace {

    char16_t Fold(char16_t c)
    {
        if (c < 0x80)
            return c >= u'A' && c <= u'Z' ? char16_t(c + 32) : c;
        return QChar::toCaseFolded(c);
    }

    bool HasWildcard(QStringView text) { return text.contains(u'*') || text.contains(u'?'); }

} // namespace

TMaskList::TMaskList(const QString& list)
{
    for (int n = 1;; ++n) {
        const QString mask = GetListItem(list, n);
        if (mask.isEmpty())
            break;
        m_masks.append(Compile(mask));
    }
}

TMaskList::Compiled TMaskList::Compile(const QString& mask)
{
    Compiled c;
    c.text = mask;
    QString folded = mask;
    for (QChar& ch : folded)
        ch = QChar(Fold(ch.unicode()));
    if (mask == QLatin1String("*.*") || mask.count(QLatin1Char('*')) == mask.size()) {
        c.shape = Shape::Everything;
    } else if (mask.startsWith(QLatin1Char('*')) && !HasWildcard(QStringView(mask).mid(1))) {
        c.shape = Shape::Suffix;
        folded.remove(0, 1);
    } else if (!HasWildcard(mask)) {
        c.shape = Shape::Exact;
    }
    c.folded = folded;
    return c;
}

bool TMaskList::Matches(int index, QStringView name) const { return MatchesName(index, name); }

bool TMaskList::Matches(int index, QLatin1StringView name) const { return MatchesName(index, name); }

template <typename View> bool TMaskList::MatchesName(int index, View name) const
{
    const Compiled& c = m_masks.at(index);
    switch (c.shape) {
    case Shape::Everything:
        return true;
    case Shape::Suffix: {
        const qsizetype n = c.folded.size();
        if (name.size() < n)
            return false;
        const qsizetype start = name.size() - n;
        for (qsizetype i = 0; i < n; ++i) {
            if (Fold(char16_t(name[start + i].unicode())) != c.folded[i].unicode())
                return false;
        }
        return true;
    }
    case Shape::Exact:
    case Shape::General:
        return MatchWildcards(c.folded, name, Fold);
    }
    return false;
}

bool TMaskList::Match(QStringView mask, QStringView name)
{
    const Compiled c = Compile(mask.toString());
    TMaskList one(QString {});
    one.m_masks.append(c);
    return one.Matches(0, name);
}

} // namespace hy
