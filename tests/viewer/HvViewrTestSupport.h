// A viewer over lines held in memory, for widget tests of display, navigation and selection. Like the
// file model it can keep its total undetermined until a line beyond the end is asked for.
#pragma once

#include "core/viewer/HvBase.h"
#include "ui/viewer/HvViewr.h"

#include <QApplication>
#include <QList>
#include <QTest>
#include <functional>

namespace hy::viewer::test {

class TMemoryViewer : public THvBaseViewer {
public:
    explicit TMemoryViewer(QWidget* parent = nullptr)
        : THvBaseViewer(parent)
    {
    }

    // The lines and whether the total starts undetermined; resets the view.
    void SetLines(QList<QByteArray> lines, bool undetermined = false)
    {
        m_lines = std::move(lines);
        m_undetermined = undetermined && !m_lines.isEmpty();
        ResetLayout();
        ResetLineTotal(m_undetermined ? kUndeterminedTotal : m_lines.size());
    }

    LineNumber ClampLine(LineNumber line) override
    {
        ++ClampCalls;
        const LineNumber last = m_lines.size() - 1;
        if (m_undetermined) {
            if (line <= last)
                return line;
            // Finding the end is a long scan: it runs under the wait cursor.
            ShowHourglass();
            SawHourglass = SawHourglass || QApplication::overrideCursor() != nullptr;
            if (OnScanToEnd)
                OnScanToEnd();
            m_undetermined = false;
            SetLineTotal(m_lines.size());
            HideHourglass();
        }
        return std::clamp<LineNumber>(line, 0, std::max<LineNumber>(last, 0));
    }

    const char* LineText(LineNumber line, int& len) override
    {
        if (line < 0 || line >= m_lines.size()) {
            len = 0;
            return "";
        }
        m_buffer = m_lines[line];
        len = int(m_buffer.size());
        return m_buffer.constData();
    }

    int ClampCalls = 0;
    bool SawHourglass = false;
    std::function<void()> OnScanToEnd;

private:
    QList<QByteArray> m_lines;
    QByteArray m_buffer;
    bool m_undetermined = false;
};

// A borderless viewer without scroll bars whose text area is exactly cols x rows cells.
inline void ShowGrid(THvBaseViewer& viewer, int cols, int rows)
{
    viewer.SetBorderStyle(bsNone);
    viewer.SetScrollBars(ssNone);
    viewer.show();
    viewer.activateWindow();
    (void)QTest::qWaitForWindowActive(&viewer);
    viewer.resize(cols * viewer.CharWidth(), rows * viewer.RowHeight());
}

inline QList<QByteArray> NumberedLines(int count, const char* prefix = "line ")
{
    QList<QByteArray> lines;
    for (int i = 0; i < count; ++i)
        lines << QByteArray(prefix) + QByteArray::number(i);
    return lines;
}

} // namespace hy::viewer::test
