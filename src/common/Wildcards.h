// The one wildcard matcher: WildcardMatch (common/HyUtils.h) and the file mask lists both match through it.
#pragma once

#include <QStringView>

namespace hy::common {

// Whether name matches pattern, in which "*" stands for any run of characters and "?" for one. Each character
// of the name goes through map (a char16_t in and out) before it is compared, and the pattern comes in the
// mapped form already, so a caller that folds letter case folds the pattern once. Name is any string view
// (QStringView, QLatin1StringView).
template <typename Name, typename Map> bool MatchWildcards(QStringView pattern, Name name, Map map)
{
    qsizetype p = 0, n = 0, starP = -1, starN = 0;
    while (n < name.size()) {
        const char16_t c = map(char16_t(name[n].unicode()));
        if (p < pattern.size() && (pattern[p] == u'?' || pattern[p].unicode() == c)) {
            ++p;
            ++n;
        } else if (p < pattern.size() && pattern[p] == u'*') {
            starP = p++;
            starN = n;
        } else if (starP >= 0) {
            p = starP + 1;
            n = ++starN;
        } else {
            return false;
        }
    } // namespace hy::common
    while (p < pattern.size() && pattern[p] == u'*')
        ++p;
    return p == pattern.size();
}

} // namespace hy
