// Search text preparation and candidate finding for the file model's searches.
#include "core/viewer/HvTextSearch.h"

#include "core/viewer/HvModelScan.h"
#include "platform/Cp1252.h"

#include <QList>
#include <QRegularExpression>

#include <algorithm>
#include <cstring>
#include <limits>
#include <vector>

namespace hy::viewer {

uint8_t AnsiUpper(uint8_t c) { return platform::Cp1252Upper(c); }

namespace {
    struct ByteTable {
        uint8_t t[256];
    };
    template <class F> ByteTable MakeTable(F f)
    {
        ByteTable b {};
        for (int c = 0; c < 256; ++c)
            b.t[c] = f(uint8_t(c));
        return b;
    }
} // namespace

const uint8_t* AnsiUpperTable()
{
    static const ByteTable t = MakeTable([](uint8_t c) { return AnsiUpper(c); });
    return t.t;
}

const uint8_t* AsciiUpperTable()
{
    static const ByteTable t = MakeTable([](uint8_t c) { return c >= 'a' && c <= 'z' ? uint8_t(c - 32) : c; });
    return t.t;
}

const uint8_t* Latin1FoldTable()
{
    // Each byte stands for the lowest byte whose character folds the same way.
    static const ByteTable t = MakeTable([](uint8_t c) {
        const char32_t f = FoldCase(c);
        for (int b = 0; b < 256; ++b) {
            if (FoldCase(char32_t(b)) == f)
                return uint8_t(b);
        }
        return c;
    });
    return t.t;
}

namespace {

    // A rough idea of how common a byte is in text, used to break ties between equally rare sample bytes.
    int TextWeight(uint8_t c)
    {
        if (c == ' ')
            return 100;
        if (c && std::strchr("etaoinsrhl", c))
            return 60;
        if (c >= 'a' && c <= 'z')
            return 30;
        if (c >= '0' && c <= '9')
            return 25;
        if (c >= 'A' && c <= 'Z')
            return 15;
        if (c >= 33 && c < 127)
            return 10;
        return 1;
    }

} // namespace

THvSearchPattern::THvSearchPattern(const QByteArray& text, bool matchCase, Kind kind, const uint8_t* foldTable)
{
    const uint8_t* fold = foldTable ? foldTable : AnsiUpperTable();
    const qsizetype zero = text.indexOf('\0');
    const QByteArray cut = zero >= 0 ? text.left(zero) : text;
    for (int c = 0; c < 256; ++c) {
        uint8_t t = uint8_t(c);
        if (!matchCase && (kind == Kind::TextLine || c >= 33))
            t = fold[t];
        m_table[c] = t;
    }
    if (kind == Kind::TextLine)
        m_table[0] = m_table[uint8_t(' ')];
    m_folded.reserve(size_t(cut.size()));
    for (char ch : cut) {
        const uint8_t c = uint8_t(ch);
        m_folded.push_back(char(matchCase ? c : fold[c]));
        if (c == '\r' || c == '\n')
            m_hasLineBreak = true;
    }
}

bool THvSearchPattern::Matches(const uint8_t* p) const
{
    const auto* f = reinterpret_cast<const uint8_t*>(m_folded.data());
    for (size_t i = 0; i < m_folded.size(); ++i) {
        if (m_table[p[i]] != f[i])
            return false;
    }
    return true;
}

void CountBytes(const uint8_t* sample, size_t n, TByteCounts& counts)
{
    for (size_t i = 0; i < n; ++i)
        ++counts[sample[i]];
}

void THvProbe::Clear()
{
    m_count = 0;
    std::memset(m_table, 0, sizeof m_table);
}

void THvProbe::Add(uint8_t value)
{
    if (m_table[value])
        return;
    m_table[value] = true;
    if (m_count < 2)
        m_bytes[m_count] = value;
    ++m_count;
}

const uint8_t* THvProbe::Next(const uint8_t* lo, const uint8_t* hi) const
{
    if (lo >= hi || m_count == 0)
        return nullptr;
    const uint8_t* p = lo + m_offset;
    const uint8_t* end = hi + m_offset;
    if (m_count <= 2) {
        const uint8_t b = m_count == 1 ? m_bytes[0] : m_bytes[1];
        p = scan::FindEither(p, end, m_bytes[0], b);
        return p < end ? p - m_offset : nullptr;
    }
    for (; p < end; ++p) {
        if (m_table[*p])
            return p - m_offset;
    }
    return nullptr;
}

const uint8_t* THvProbe::Prev(const uint8_t* lo, const uint8_t* hi) const
{
    if (lo >= hi || m_count == 0)
        return nullptr;
    const uint8_t* begin = lo + m_offset;
    const uint8_t* end = hi + m_offset;
    if (m_count <= 2) {
        const uint8_t b = m_count == 1 ? m_bytes[0] : m_bytes[1];
        const uint8_t* p = scan::FindLastEither(begin, end, m_bytes[0], b);
        return p ? p - m_offset : nullptr;
    }
    while (end > begin) {
        --end;
        if (m_table[*end])
            return end - m_offset;
    }
    return nullptr;
}

void THvSearchPattern::ChooseProbe(const TByteCounts& counts)
{
    m_probe.Clear();
    if (m_folded.empty())
        return;
    double best = -1;
    size_t at = 0;
    for (size_t j = 0; j < m_folded.size(); ++j) {
        const uint8_t want = uint8_t(m_folded[j]);
        double score = 0;
        int members = 0;
        for (int c = 0; c < 256; ++c) {
            if (m_table[c] == want) {
                score += double(counts[size_t(c)]) * 1000.0 + TextWeight(uint8_t(c));
                ++members;
            }
        }
        if (members == 0)
            score = -1; // nothing in any file can match this byte
        if (best < 0 || score < best) {
            best = score;
            at = j;
        }
        if (score < 0)
            break;
    }
    const uint8_t want = uint8_t(m_folded[at]);
    m_probe.SetOffset(at);
    for (int c = 0; c < 256; ++c) {
        if (m_table[c] == want)
            m_probe.Add(uint8_t(c));
    }
}

// --- THvCharPattern ------------------------------------------------------------------------------------

THvCharPattern::THvCharPattern(const std::vector<std::vector<QByteArray>>& forms, int unit)
    : m_forms(forms)
    , m_unit(std::max(unit, 1))
{
    for (const auto& alts : m_forms) {
        size_t longest = 0;
        size_t shortest = std::numeric_limits<size_t>::max();
        for (const QByteArray& a : alts) {
            longest = std::max(longest, size_t(a.size()));
            shortest = std::min(shortest, size_t(a.size()));
            if (a.contains('\r') || a.contains('\n')) {
                // In UTF-16 only whole CR or LF units are line breaks.
                if (m_unit == 1 || a == QByteArray("\r\0", 2) || a == QByteArray("\n\0", 2)
                    || a == QByteArray("\0\r", 2) || a == QByteArray("\0\n", 2))
                    m_hasLineBreak = true;
            }
        }
        m_maxLength += longest;
        m_minLength += alts.empty() ? 0 : shortest;
    }
}

size_t THvCharPattern::Match(const uint8_t* p, size_t k, size_t avail) const
{
    if (k == m_forms.size())
        return 0;
    for (const QByteArray& a : m_forms[k]) {
        const size_t n = size_t(a.size());
        if (n > avail || std::memcmp(p, a.constData(), n) != 0)
            continue;
        if (k + 1 == m_forms.size())
            return n;
        if (const size_t rest = Match(p + n, k + 1, avail - n))
            return n + rest;
    }
    return 0;
}

void THvCharPattern::ChooseProbe(const TByteCounts& counts)
{
    m_probe.Clear();
    if (m_forms.empty())
        return;
    // The probe is a byte at a fixed distance from the match start: in a character whose forms are all of
    // one length, after characters whose forms are all of one length.
    double best = -1;
    size_t offset = 0;
    for (const auto& alts : m_forms) {
        const size_t len = size_t(alts.front().size());
        bool fixed = true;
        for (const QByteArray& a : alts)
            fixed = fixed && size_t(a.size()) == len;
        const size_t usable = fixed ? len : size_t(alts.front().size());
        for (size_t b = 0; b < usable; ++b) {
            bool seen[256] = {};
            double score = 0;
            int distinct = 0;
            bool all = true;
            for (const QByteArray& a : alts) {
                if (size_t(a.size()) <= b) {
                    all = false;
                    break;
                }
                const uint8_t c = uint8_t(a[qsizetype(b)]);
                if (!seen[c]) {
                    seen[c] = true;
                    score += double(counts[c]) * 1000.0 + TextWeight(c);
                    ++distinct;
                }
            }
            if (!all)
                continue;
            if (best < 0 || score < best) {
                best = score;
                m_probe.Clear();
                m_probe.SetOffset(offset + b);
                for (const QByteArray& a : alts)
                    m_probe.Add(uint8_t(a[qsizetype(b)]));
            }
        }
        if (!fixed)
            break;
        offset += len;
    }
}

std::vector<std::vector<QByteArray>> CharForms(const QString& text, TTextEncoding encoding, bool matchCase)
{
    std::vector<std::vector<QByteArray>> forms;
    for (const char32_t c : text.toUcs4()) {
        std::vector<QByteArray> alts;
        auto add = [&](char32_t v) {
            for (QByteArray& b : CharByteForms(encoding, v)) {
                if (!b.isEmpty() && std::find(alts.begin(), alts.end(), b) == alts.end())
                    alts.push_back(std::move(b));
            }
        };
        if (matchCase) {
            add(c);
        } else {
            for (const char32_t v : CaseVariants(FoldCase(c)))
                add(v);
        }
        if (alts.empty())
            return {};
        forms.push_back(std::move(alts));
    }
    return forms;
}

std::optional<TTextPattern> MakeTextPattern(
    const QString& text, TTextEncoding encoding, bool matchCase, THvSearchPattern::Kind kind)
{
    const qsizetype zero = text.indexOf(QChar(0));
    const QString cut = zero >= 0 ? text.left(zero) : text;
    if (cut.isEmpty())
        return std::nullopt;
    if (IsStateful(encoding)) {
        // Text lines are matched decoded; a byte search looks for the bytes the encoder writes.
        if (kind != THvSearchPattern::Kind::RawBytes)
            return std::nullopt;
        bool ok = false;
        const QByteArray bytes = EncodeText(encoding, cut, &ok);
        if (!ok)
            return std::nullopt;
        return TTextPattern(std::in_place_type<THvSearchPattern>, bytes, matchCase, kind, AsciiUpperTable());
    }
    if (IsSingleByte(encoding)) {
        bool ok = false;
        const QByteArray bytes = EncodeText(encoding, cut, &ok);
        if (!ok)
            return std::nullopt; // a character the encoding cannot hold is in no line
        const uint8_t* fold = encoding == TTextEncoding::Windows1252 ? AnsiUpperTable()
            : encoding == TTextEncoding::Iso8859_1                   ? Latin1FoldTable()
                                                                     : SingleByteFoldTable(encoding);
        return TTextPattern(std::in_place_type<THvSearchPattern>, bytes, matchCase, kind, fold);
    }
    const bool ascii = std::all_of(cut.cbegin(), cut.cend(), [](QChar c) { return c.unicode() < 0x80; });
    if (encoding == TTextEncoding::Utf8 && (matchCase || ascii)) {
        // Bytes compare as they are; without match case ASCII letters fold, which is their simple folding too.
        return TTextPattern(std::in_place_type<THvSearchPattern>, cut.toUtf8(), matchCase, kind, AsciiUpperTable());
    }
    std::vector<std::vector<QByteArray>> forms = CharForms(cut, encoding, matchCase);
    if (HasTrailBytes(encoding)) {
        // Characters of one form each (ASCII letters fold as in UTF-8) compare byte for byte.
        const bool single = std::all_of(forms.begin(), forms.end(), [](const auto& f) { return f.size() == 1; });
        if (!forms.empty() && (ascii || (matchCase && single))) {
            QByteArray bytes;
            for (const auto& f : forms)
                bytes += f.front();
            if (ascii)
                bytes = cut.toLatin1();
            THvSearchPattern pattern(bytes, matchCase, kind, AsciiUpperTable());
            pattern.SetCharCheck(encoding);
            return TTextPattern(std::move(pattern));
        }
    }
    THvCharPattern pattern(forms, UnitSize(encoding));
    if (pattern.Empty())
        return std::nullopt;
    pattern.SetCharCheck(encoding);
    return TTextPattern(std::move(pattern));
}

QString LiteralExpression(const QString& text)
{
    const qsizetype zero = text.indexOf(QChar(0));
    return QRegularExpression::escape(zero >= 0 ? text.left(zero) : text);
}

} // namespace hy::viewer
