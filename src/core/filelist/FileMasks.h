// TMaskList: the masks of a file mask list ("*.txt *.doc", "*.c,*.h", "\"my file?.txt\""), read in order,
// and the test of a name against one of them. Masks match without regard to letter case: "*" stands
// for any run of characters, "?" for one character, and "*.*" for every name.
#pragma once

#include <QList>
#include <QString>
#include <QStringView>

namespace hy::filelist {

class TMaskList {
public:
    // Masks separated by blanks or commas; double quotes group a mask that holds them. The list ends at
    // the first position that yields no mask; only the first 255 characters are read.
    explicit TMaskList(const QString& list);

    int Count() const { return int(m_masks.size()); }
    const QString& Mask(int index) const { return m_masks.at(index).text; }
    bool Matches(int index, QStringView name) const;
    bool Matches(int index, QLatin1StringView name) const;

    // One mask against one name.
    static bool Match(QStringView mask, QStringView name);

private:
    enum class Shape { Everything, Suffix, Exact, General };
    struct Compiled {
        QString text;
        QString folded; // case-folded; for Suffix the text after the leading "*"
        Shape shape = Shape::General;
    };
    static Compiled Compile(const QString& mask);
    template <typename View> bool MatchesName(int index, View name) const;

    QList<Compiled> m_masks;
};

} // namespace hy::filelist
