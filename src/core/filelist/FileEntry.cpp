// Building and reading the entry strings.
#include "core/filelist/FileEntry.h"

#include <algorithm>
#include <atomic>
#include <cstring>
using namespace hy::filelist;

namespace hy::filelist {

namespace {

    constexpr int kTailPos(qsizetype size) { return int(size) - kEntryTailWidth; }
    constexpr int kIconOffset = 1;
    constexpr int kAttrOffset = 2;
    constexpr int kTimeOffset = kAttrOffset + kEntryAttrWidth;
    constexpr int kSizeOffset = kTimeOffset + kEntryTimeWidth;
    constexpr char16_t kUnknownFact = u'?';

    std::atomic<TTextCase> g_processTextCase { tcLowerCase };

    // Writes the value zero-padded into width characters: the absolute value in digits, "0" in front,
    // and "-" in place of the first character when negative.
    void WritePadded(QChar* out, int width, qint64 value)
    {
        const bool negative = value < 0;
        quint64 magnitude = negative ? quint64(0) - quint64(value) : quint64(value);
        for (int i = width - 1; i >= 0; --i) {
            out[i] = QChar(char16_t(u'0' + magnitude % 10));
            magnitude /= 10;
        }
        if (negative)
            out[0] = QLatin1Char('-');
    }

    // Reads a number written by WritePadded; blanks are ignored and text that is not a number gives 0.
    qint64 ReadNumber(const QString& entry, qsizetype pos, int width)
    {
        if (pos < 0 || pos + width > entry.size())
            return 0;
        const QChar* p = entry.constData() + pos;
        bool negative = false, digits = false;
        quint64 value = 0;
        for (int i = 0; i < width; ++i) {
            const char16_t c = p[i].unicode();
            if (c == u' ')
                continue;
            if (c == u'-' && !digits && !negative) {
                negative = true;
                continue;
            }
            if (c < u'0' || c > u'9')
                return 0;
            digits = true;
            value = value * 10 + (c - u'0');
        }
        if (!digits)
            return 0;
        return negative ? -qint64(value) : qint64(value);
    }

    bool HasTail(const QString& entry) { return entry.size() >= kEntryNamePos + kEntryTailWidth; }

    char16_t Fold(char16_t c)
    {
        if (c < 0x80)
            return c >= u'A' && c <= u'Z' ? char16_t(c + 32) : c;
        return QChar::toCaseFolded(c);
    }

} // namespace hy::filelist

char16_t StoredKind(char16_t kind, TFileListOrder order)
{
    if (order == flInverted) {
        if (kind == ekDrive)
            return ekFile;
        if (kind == ekFile)
            return ekDrive;
    }
    return kind;
}

QStringView ExtensionOf(QStringView name)
{
    const qsizetype slash = name.lastIndexOf(u'/');
    const qsizetype dot = name.lastIndexOf(u'.');
    return dot > slash ? name.mid(dot) : QStringView();
}

QString EntrySortKey(const TEntryFields& fields, TFileListSortTypes sortBy)
{
    QString key(kEntryKeyWidth, QLatin1Char('0'));
    switch (sortBy) {
    case sbName:
        break;
    case sbType: {
        QStringView name = fields.name;
        if (fields.kind == ekDrive) {
            const qsizetype cut = name.indexOf(kDriveLabelSeparator);
            if (cut >= 0)
                name = name.left(cut);
        }
        const QStringView ext = ExtensionOf(name).left(kEntryKeyWidth);
        key.replace(0, ext.size(), ext.toString());
        break;
    }
    case sbSize:
        WritePadded(key.data(), kEntryKeyWidth, fields.size);
        break;
    case sbDate:
        WritePadded(key.data(), kEntryKeyWidth, qint64(fields.time));
        break;
    }
    return key;
}

QString BuildEntry(const TEntryFields& fields, TFileListOrder order, TFileListSortTypes sortBy)
{
    return BuildEntry(fields, order, sortBy, QStringView());
}

QString BuildEntry(const TEntryFields& fields, TFileListOrder order, TFileListSortTypes sortBy, QStringView directory)
{
    const bool separator = !directory.isEmpty() && !directory.endsWith(u'/');
    const qsizetype nameLength = directory.size() + (separator ? 1 : 0) + fields.name.size();
    QString entry(kEntryNamePos + nameLength + kEntryTailWidth, Qt::Uninitialized);
    QChar* p = entry.data();
    p[0] = QChar(StoredKind(fields.kind, order));
    if (sortBy == sbName) {
        for (int i = 1; i <= kEntryKeyWidth; ++i)
            p[i] = QLatin1Char('0');
    } else {
        const QString key = EntrySortKey(fields, sortBy);
        std::copy(key.cbegin(), key.cend(), p + 1);
    }
    QChar* name = std::copy(directory.cbegin(), directory.cend(), p + kEntryNamePos);
    if (separator)
        *name++ = QLatin1Char('/');
    std::copy(fields.name.cbegin(), fields.name.cend(), name);
    QChar* tail = p + kEntryNamePos + nameLength;
    tail[0] = QLatin1Char('|');
    tail[kIconOffset] = QChar(char16_t(fields.icon));
    if (fields.factsKnown) {
        WritePadded(tail + kAttrOffset, kEntryAttrWidth, fields.attributes);
        WritePadded(tail + kTimeOffset, kEntryTimeWidth, qint64(fields.time));
        WritePadded(tail + kSizeOffset, kEntrySizeWidth, fields.size);
    } else {
        std::fill(tail + kAttrOffset, tail + kEntryTailWidth, QChar(kUnknownFact));
    }
    return entry;
}

TEntryFields ParseEntry(const QString& entry, TFileListOrder order)
{
    TEntryFields fields;
    fields.kind = EntryKindOf(entry, order);
    fields.name = EntryNameOf(entry).toString();
    fields.icon = EntryIconOf(entry);
    fields.factsKnown = EntryFactsKnown(entry);
    fields.attributes = EntryAttributesOf(entry);
    fields.time = EntryTimeOf(entry);
    fields.size = EntrySizeOf(entry);
    return fields;
}

char16_t EntryKindOf(const QString& entry, TFileListOrder order)
{
    return entry.isEmpty() ? char16_t(0) : StoredKind(entry[0].unicode(), order);
}

QStringView EntryNameOf(const QString& entry)
{
    if (!HasTail(entry))
        return QStringView(entry).mid(qMin<qsizetype>(kEntryNamePos, entry.size()));
    return QStringView(entry).mid(kEntryNamePos, entry.size() - kEntryNamePos - kEntryTailWidth);
}

int EntryIconOf(const QString& entry)
{
    return HasTail(entry) ? int(entry[kTailPos(entry.size()) + kIconOffset].unicode()) : 0;
}

int EntryAttributesOf(const QString& entry)
{
    return HasTail(entry) ? int(ReadNumber(entry, kTailPos(entry.size()) + kAttrOffset, kEntryAttrWidth)) : 0;
}

quint32 EntryTimeOf(const QString& entry)
{
    return HasTail(entry) ? quint32(ReadNumber(entry, kTailPos(entry.size()) + kTimeOffset, kEntryTimeWidth)) : 0;
}

qint64 EntrySizeOf(const QString& entry)
{
    return HasTail(entry) ? ReadNumber(entry, kTailPos(entry.size()) + kSizeOffset, kEntrySizeWidth) : 0;
}

bool EntryFactsKnown(const QString& entry)
{
    return !HasTail(entry) || entry[kTailPos(entry.size()) + kAttrOffset] != QChar(kUnknownFact);
}

void SetEntryFacts(QString& entry, int attributes, quint32 time, qint64 size)
{
    if (!HasTail(entry))
        return;
    QChar* tail = entry.data() + kTailPos(entry.size());
    WritePadded(tail + kAttrOffset, kEntryAttrWidth, attributes);
    WritePadded(tail + kTimeOffset, kEntryTimeWidth, qint64(time));
    WritePadded(tail + kSizeOffset, kEntrySizeWidth, size);
}

namespace {

    inline bool Less(const QString& a, const QString& b)
    {
        // Kind, key and name decide, without regard to case and shorter names first; the tails only break ties.
        const qsizetype na = HasTail(a) ? a.size() - kEntryTailWidth : a.size();
        const qsizetype nb = HasTail(b) ? b.size() - kEntryTailWidth : b.size();
        const char16_t* p = reinterpret_cast<const char16_t*>(a.constData());
        const char16_t* q = reinterpret_cast<const char16_t*>(b.constData());
        const qsizetype n = qMin(na, nb);
        qsizetype i = 0;
        // Equal stretches compare equal in any case, so the common start is skipped without folding, four
        // characters at a time.
        while (i + 8 <= n) {
            quint64 x[2], y[2];
            std::memcpy(x, p + i, sizeof x);
            std::memcpy(y, q + i, sizeof y);
            if (x[0] != y[0] || x[1] != y[1])
                break;
            i += 8;
        }
        while (i < n && p[i] == q[i])
            ++i;
        for (; i < n; ++i) {
            if (p[i] == q[i])
                continue;
            const char16_t x = Fold(p[i]);
            const char16_t y = Fold(q[i]);
            if (x != y)
                return x < y;
        }
        if (na != nb)
            return na < nb;
        return a < b;
    }

} // namespace

bool EntryLess(const QString& a, const QString& b) { return Less(a, b); }

void SortEntries(std::vector<QString>& entries)
{
    std::sort(entries.begin(), entries.end(), [](const QString& a, const QString& b) { return Less(a, b); });
}

QString ConvertCase(const QString& text, TTextCase textCase)
{
    switch (textCase) {
    case tcLowerCase:
        return text.toLower();
    case tcUpperCase:
        return text.toUpper();
    case tcNone:
        return text;
    case tcAuto: {
        QString result = text.toLower();
        bool start = true;
        for (QChar& c : result) {
            if (start)
                c = c.toUpper();
            start = c == QLatin1Char(' ') || c == QLatin1Char('/');
        }
        return result;
    }
    }
    return text;
}

TTextCase ProcessTextCase() { return g_processTextCase.load(); }

void SetProcessTextCase(TTextCase textCase) { g_processTextCase.store(textCase); }

} // namespace hy
