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

namespace {

    // Writes the sort key of an entry named name into kEntryKeyWidth characters.
    void WriteSortKey(QChar* key, QStringView name, const TEntryFields& fields, TFileListSortTypes sortBy)
    {
        std::fill(key, key + kEntryKeyWidth, QLatin1Char('0'));
        switch (sortBy) {
        case sbName:
            break;
        case sbType: {
            if (fields.kind == ekDrive) {
                const qsizetype cut = name.indexOf(kDriveLabelSeparator);
                if (cut >= 0)
                    name = name.left(cut);
            }
            const QStringView ext = ExtensionOf(name).left(kEntryKeyWidth);
            std::copy(ext.cbegin(), ext.cend(), key);
            break;
        }
        case sbSize:
            WritePadded(key, kEntryKeyWidth, fields.size);
            break;
        case sbDate:
            WritePadded(key, kEntryKeyWidth, qint64(fields.time));
            break;
        }
    }

} // namespace

QString EntrySortKey(const TEntryFields& fields, TFileListSortTypes sortBy)
{
    QString key(kEntryKeyWidth, Qt::Uninitialized);
    WriteSortKey(key.data(), fields.name, fields, sortBy);
    return key;
}

QString BuildEntry(const TEntryFields& fields, TFileListOrder order, TFileListSortTypes sortBy)
{
    return BuildEntry(fields, order, sortBy, QStringView());
}

QString BuildEntry(const TEntryFields& fields, TFileListOrder order, TFileListSortTypes sortBy, QStringView directory)
{
    QString entry(EntryLength(fields.name, directory), Qt::Uninitialized);
    WriteEntry(entry.data(), fields.name, fields, order, sortBy, directory);
    return entry;
}

qsizetype EntryLength(QStringView name, QStringView directory)
{
    const bool separator = !directory.isEmpty() && !directory.endsWith(u'/');
    return kEntryNamePos + directory.size() + (separator ? 1 : 0) + name.size() + kEntryTailWidth;
}

void WriteEntry(QChar* p, QStringView fileName, const TEntryFields& fields, TFileListOrder order,
    TFileListSortTypes sortBy, QStringView directory)
{
    const bool separator = !directory.isEmpty() && !directory.endsWith(u'/');
    const qsizetype nameLength = directory.size() + (separator ? 1 : 0) + fileName.size();
    p[0] = QChar(StoredKind(fields.kind, order));
    WriteSortKey(p + 1, fileName, fields, sortBy);
    QChar* name = std::copy(directory.cbegin(), directory.cend(), p + kEntryNamePos);
    if (separator)
        *name++ = QLatin1Char('/');
    std::copy(fileName.cbegin(), fileName.cend(), name);
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

void SortEntryRuns(std::vector<QString>& entries, const std::vector<size_t>& runStarts)
{
    std::vector<QString> spare;
    SortEntryRuns(entries, runStarts, spare);
}

void SortEntryRuns(std::vector<QString>& entries, const std::vector<size_t>& runStarts, std::vector<QString>& spare)
{
    struct Run {
        size_t begin;
        size_t end;
    };
    std::vector<Run> runs;
    runs.reserve(runStarts.size() + 1);
    const size_t unordered = runStarts.empty() ? entries.size() : std::min(runStarts.front(), entries.size());
    std::sort(entries.begin(), entries.begin() + qsizetype(unordered), Less);
    if (unordered > 0)
        runs.push_back({ 0, unordered });
    for (size_t r = 0; r < runStarts.size(); ++r) {
        const size_t begin = std::max(runStarts[r], unordered);
        const size_t end = r + 1 < runStarts.size() ? std::min(runStarts[r + 1], entries.size()) : entries.size();
        if (begin < end)
            runs.push_back({ begin, end });
    }
    if (runs.size() < 2)
        return;

    // The runs by their first entries; each joins a chain whose last entry it does not precede, so that a
    // chain is in order as it stands. Only the newest chains are tried: a run that fits none starts one.
    constexpr size_t kChainsTried = 4;
    std::sort(
        runs.begin(), runs.end(), [&](const Run& a, const Run& b) { return Less(entries[a.begin], entries[b.begin]); });
    struct Chain {
        std::vector<Run> runs;
        size_t size = 0;
        const QString* last = nullptr;
    };
    std::vector<Chain> chains;
    for (const Run& run : runs) {
        Chain* joined = nullptr;
        for (size_t c = chains.size(); c > 0 && c + kChainsTried > chains.size(); --c) {
            if (!Less(entries[run.begin], *chains[c - 1].last)) {
                joined = &chains[c - 1];
                break;
            }
        }
        if (!joined) {
            chains.emplace_back();
            joined = &chains.back();
        }
        joined->runs.push_back(run);
        joined->size += run.end - run.begin;
        joined->last = &entries[run.end - 1];
    }

    // The chains laid out one after another, then merged in pairs until one is left.
    std::vector<QString> laid;
    laid.swap(spare);
    laid.clear();
    laid.reserve(entries.size());
    std::vector<size_t> bounds { 0 };
    for (const Chain& chain : chains) {
        for (const Run& run : chain.runs)
            std::move(
                entries.begin() + qsizetype(run.begin), entries.begin() + qsizetype(run.end), std::back_inserter(laid));
        bounds.push_back(laid.size());
    }
    entries.clear();
    std::vector<QString> merged;
    while (bounds.size() > 2) {
        merged.clear();
        merged.reserve(laid.size());
        std::vector<size_t> next { 0 };
        for (size_t b = 0; b + 1 < bounds.size(); b += 2) {
            const auto first = std::make_move_iterator(laid.begin() + qsizetype(bounds[b]));
            const auto middle = std::make_move_iterator(laid.begin() + qsizetype(bounds[b + 1]));
            if (b + 2 < bounds.size()) {
                const auto last = std::make_move_iterator(laid.begin() + qsizetype(bounds[b + 2]));
                std::merge(first, middle, middle, last, std::back_inserter(merged), Less);
            } else {
                std::copy(first, middle, std::back_inserter(merged));
            }
            next.push_back(merged.size());
        }
        laid.swap(merged);
        bounds.swap(next);
    }
    entries.swap(laid);
    spare.swap(laid);
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
