// The file viewer's coloured matches: colour rules and the find bar's matches, looked for in each line as it
// is painted.
#include "ui/viewer/HvViewr.h"

#include "core/viewer/HvFileModel.h"

#include <limits>

namespace hy::viewer {

namespace {
    // Matches are looked for in this much of a line; the rest of a longer line shows without them.
    constexpr qint64 kMarkedBytes = qint64(256) << 10;
    // At most this many matches of one rule are coloured in a line.
    constexpr size_t kMarksPerRule = 4096;
} // namespace

void AppendMarks(const THvLineMatcher& matcher, const THvMarkRule& rule, const uint8_t* p, size_t n, qint64 shift,
    std::vector<THvMark>& marks)
{
    if (rule.WholeLine) {
        if (matcher.Matches(p, n))
            marks.push_back({ 0, std::numeric_limits<qint64>::max(), rule.Back, rule.Text, true });
        return;
    }
    std::vector<TMatchSpan> spans;
    matcher.Find(p, n, &spans, kMarksPerRule);
    for (const TMatchSpan& s : spans)
        marks.push_back({ s.From + shift, s.To + shift, rule.Back, rule.Text, false });
}

void THvCustomFileViewer::SetMarkRules(std::vector<THvMarkRule> rules)
{
    m_markRules = std::move(rules);
    m_markMatchersStale = true;
    viewport()->update();
}

void THvCustomFileViewer::SetFindMarks(const THvMarkRule& find)
{
    if (find.Query == m_findMark.Query && find.Back == m_findMark.Back && find.Text == m_findMark.Text)
        return;
    m_findMark = find;
    m_markMatchersStale = true;
    viewport()->update();
}

std::vector<THvMark> THvCustomFileViewer::MarksOf(LineNumber line)
{
    m_markLine = -1;
    std::vector<THvMark> marks;
    LineMarks(line, marks);
    return marks;
}

void THvCustomFileViewer::LineMarks(LineNumber line, std::vector<THvMark>& marks)
{
    // A wrapped line is painted row by row: its marks are found once a paint.
    if (line == m_markLine && !m_markMatchersStale && m_model->EffectiveEncoding() == m_markEncoding) {
        marks = m_markCache;
        return;
    }
    if (!CollectMarks(line, true, marks))
        return;
    m_markLine = line;
    m_markCache = marks;
}

std::vector<THvMark> THvCustomFileViewer::RuleMarksOf(LineNumber line)
{
    std::vector<THvMark> marks;
    CollectMarks(line, false, marks);
    return marks;
}

bool THvCustomFileViewer::CollectMarks(LineNumber line, bool withFind, std::vector<THvMark>& marks)
{
    if ((m_markRules.empty() && m_findMark.Query.Text.isEmpty()) || m_model->InHexMode() || m_pumping
        || !m_model->IsOpen())
        return false;
    const TTextEncoding enc = m_model->EffectiveEncoding();
    if (m_markMatchersStale || enc != m_markEncoding) {
        m_markMatchers.clear();
        for (const THvMarkRule& r : m_markRules)
            m_markMatchers.emplace_back(r.Query, enc);
        m_markMatchers.emplace_back(m_findMark.Query, enc);
        m_markEncoding = enc;
        m_markMatchersStale = false;
        m_markLine = -1;
    }
    QByteArray bytes;
    const qint64 known = KnownLineSize(line);
    bytes.resize(known >= 0 ? std::min(known, kMarkedBytes) : kMarkedBytes);
    const qint64 got = ReadLine(line, 0, reinterpret_cast<uint8_t*>(bytes.data()), bytes.size());
    bytes.resize(std::max<qint64>(got, 0));
    const auto* p = reinterpret_cast<const uint8_t*>(bytes.constData());
    const size_t skip = line == 0 ? size_t(ByteOrderMarkSize(enc, p, size_t(bytes.size()))) : 0;
    // The find bar's matcher is the last one.
    const size_t count = withFind ? m_markMatchers.size() : m_markRules.size();
    for (size_t i = 0; i < count; ++i) {
        const THvMarkRule& rule = i < m_markRules.size() ? m_markRules[i] : m_findMark;
        AppendMarks(m_markMatchers[i], rule, p + skip, size_t(bytes.size()) - skip, qint64(skip), marks);
    }
    return true;
}

} // namespace hy::viewer
