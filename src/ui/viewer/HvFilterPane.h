// The pane of matching lines under a file viewer: each line that matches the find bar's pattern (or, inverted,
// each that does not), with its number and its text, the matches coloured. The lines are found by a scan on a
// thread of its own that keeps only where each line starts; the rows read their text from the file when they
// are shown. A click or Enter takes the viewer to the line, and the pane follows the viewer's caret.
#pragma once

#include "core/viewer/HvMatchScan.h"
#include "core/viewer/HvRegexSearch.h"
#include "ui/viewer/HvViewr.h"

#include <QAbstractListModel>
#include <QWidget>
#include <memory>

class QComboBox;
class QLabel;
class QLineEdit;
class QListView;
class QTimer;
class QToolButton;

namespace hy::viewer {

// The rows of the pane: a list model over the scan's line starts, the text fetched on demand.
class THvFilterModel : public QAbstractListModel {
    Q_OBJECT
public:
    explicit THvFilterModel(THvCustomFileViewer* viewer, QObject* parent = nullptr);
    ~THvFilterModel() override;

    // Starts over: the lines that match the queries (combined as how), or that do not with invert.
    void Start(std::vector<TMatchQuery> queries, TCombine how, bool invert);
    void Stop();
    // Takes in what the scan found since the last look; goes on when a followed file grew.
    void Poll();
    bool Filling() const;
    const std::vector<TMatchQuery>& Queries() const { return m_queries; }
    bool Inverted() const { return m_invert; }

    int rowCount(const QModelIndex& parent = QModelIndex()) const override;
    QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;

    TLinePlace Place(int row) const;
    // The text of a row's line as shown (up to the first 4 KiB of it), and the byte index of each character.
    QString RowText(int row) const;
    // The row of the first listed line at or after line (the last row when there is none).
    int RowAtOrAfter(LineNumber line) const;
    // The marks of a row: the viewer's colour rules and the queries' matches, byte ranges of its text.
    std::vector<THvMark> RowMarks(int row, TDecodedLine& line) const;
    size_t BytesUsed() const;

private:
    struct Fetched {
        int Row = -1;
        QByteArray Bytes;
    };
    const Fetched& Fetch(int row) const;
    void Launch(TLinePlace from, THvLineList seed);

    THvCustomFileViewer* m_viewer;
    std::vector<TMatchQuery> m_queries;
    TCombine m_how = TCombine::All;
    bool m_invert = false;
    std::unique_ptr<THvMatchScan> m_scan;
    FileOffset m_scannedSize = 0;
    TTextEncoding m_scannedEncoding = TTextEncoding::Auto;
    int m_rows = 0;
    mutable std::vector<Fetched> m_cache; // a few recently shown rows
    // The matchers of the rows' marks (the viewer's colour rules, then the queries), and what they were made of.
    mutable std::vector<THvLineMatcher> m_markMatchers;
    mutable std::vector<TMatchQuery> m_markQueries;
    mutable TTextEncoding m_markEncoding = TTextEncoding::Auto;
    mutable size_t m_cacheNext = 0;
};

class THvFilterPane : public QWidget {
    Q_OBJECT
public:
    explicit THvFilterPane(THvCustomFileViewer* viewer, QWidget* parent = nullptr);
    ~THvFilterPane() override;

    // Shows the pane listing the lines that match primary and the pane's own extra patterns (or, inverted, the
    // others); primary's toggles serve for the extra patterns too.
    void ShowLines(const TMatchQuery& primary, bool invert);
    // The find bar's pattern changed: an open pane lists anew.
    void PrimaryChanged(const TMatchQuery& primary);
    void Close();

    THvFilterModel* Model() const { return m_model; }
    QListView* List() const { return m_list; }
    QComboBox* CombineBox() const { return m_combine; }
    // Adds a field for another pattern and returns it.
    QLineEdit* AddPatternField();
    QString StatusText() const;

Q_SIGNALS:
    void Closed();

private:
    void Restart();
    void GoToRow(const QModelIndex& index);
    void FollowCaret();
    void UpdateStatus();

    THvCustomFileViewer* m_viewer;
    THvFilterModel* m_model;
    QListView* m_list;
    QLabel* m_status;
    QComboBox* m_combine;
    QToolButton* m_add;
    QWidget* m_fields;
    QList<QLineEdit*> m_extra;
    QTimer* m_poll;
    TMatchQuery m_primary;
    bool m_invert = false;
    bool m_moving = false; // the pane itself moves the caret
};

} // namespace hy::viewer
