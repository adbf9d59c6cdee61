// The find bar at the bottom of a viewer window: searches as the person types, goes to the next and previous
// match, colours every match on screen, and says which match the selection is and how many there are,
// counted on a thread of its own while the window stays free.
#pragma once

#include "core/viewer/HvMatchScan.h"
#include "ui/viewer/HvViewr.h"

#include <QColor>
#include <QWidget>
#include <memory>

class QAction;
class QCheckBox;
class QLabel;
class QLineEdit;
class QTimer;
class QToolButton;

namespace hy::viewer {

class THvFindBar : public QWidget {
    Q_OBJECT
public:
    explicit THvFindBar(THvCustomFileViewer* viewer, QWidget* parent = nullptr);
    ~THvFindBar() override;

    // Shows the bar with the selection's text (one short line of it) or the last pattern, all of it selected,
    // and gives it the keyboard; typing searches from the caret as it stands now.
    void Open();
    // Hides the bar; the selection stays and the viewer takes the keyboard.
    void Close();
    // The next and the previous match from the selection, wrapping at the ends of the file.
    void Next();
    void Previous();

    TMatchQuery Query() const;
    void SetQuery(const TMatchQuery& query);
    // The colours of the matches on screen.
    void SetMatchColors(const QColor& back, const QColor& text);
    // What the bar says: "match 12 of 3,456", "No matches", ...
    QString StatusText() const;
    QString NoteText() const;
    // The total so far, and whether it is still being counted.
    qint64 Total() const;
    bool Counting() const;
    // Files larger than this are searched after a short pause in typing rather than at each key.
    static void SetTypingPauseFrom(qint64 bytes);

    QLineEdit* Field() const { return m_field; }
    QCheckBox* MatchCaseBox() const { return m_matchCase; }
    QCheckBox* WholeWordBox() const { return m_wholeWord; }
    QCheckBox* RegexBox() const { return m_regex; }
    QToolButton* MatchingLinesButton() const { return m_showLines; }
    QAction* OtherLinesAction() const { return m_hideLines; }

Q_SIGNALS:
    // "Show matching lines" (invert false) or "Hide matching lines" (true) was asked for.
    void MatchingLinesWanted(bool invert);
    // The pattern or its options changed.
    void QueryChanged();
    void Closed();

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void PatternEdited();
    void SearchAsTyped();
    bool Step(bool backward, bool fromAnchor);
    void RestartCount();
    void Poll();
    void UpdateStatus();
    QString RegexProblem() const;
    // The match number of the selected hit, or 0 while it cannot be told yet.
    qint64 HitNumber() const;

    THvCustomFileViewer* m_viewer;
    QLineEdit* m_field;
    QCheckBox* m_matchCase;
    QCheckBox* m_wholeWord;
    QCheckBox* m_regex;
    QToolButton* m_prev;
    QToolButton* m_next;
    QToolButton* m_showLines;
    QAction* m_hideLines;
    QLabel* m_status;
    QLabel* m_note;
    QTimer* m_typing;
    QTimer* m_poll;
    QColor m_back;
    QColor m_text;
    TTextPosition m_anchor; // where typing searches from
    FileOffset m_hit = -1; // the file offset of the selected match, -1 when none
    mutable qint64 m_hitNumber = 0; // found once a hit's part of the file is counted
    bool m_noMatch = false;
    std::unique_ptr<THvMatchScan> m_count;
    TMatchQuery m_counted;
    FileOffset m_countedSize = -1;
    TTextEncoding m_countedEncoding = TTextEncoding::Auto;
};

} // namespace hy::viewer
