// The program's help: HTML pages shipped with it, one topic per context number, shown in a window of its own.
#pragma once

#include <QWidget>

class QLineEdit;
class QListWidget;
class QTextBrowser;

namespace hy::app {

class THelpWindow : public QWidget {
    Q_OBJECT
public:
    explicit THelpWindow(QWidget* parent = nullptr);

    void ShowContents();
    void ShowContext(int context);
    void ShowSearch();
    void ShowHowToUse();
    QTextBrowser* Browser() const { return m_browser; }
    QString CurrentPage() const;

    // The page file of a context number; empty when the program has no topic for it.
    static QString PageOfContext(int context);
    // Every topic's title and page, in contents order.
    static QList<QPair<QString, QString>> Topics();

private:
    void ShowPage(const QString& page);
    void RunSearch(const QString& text);

    QTextBrowser* m_browser;
    QWidget* m_searchPane;
    QLineEdit* m_searchEdit;
    QListWidget* m_results;
};

// The one help window of the program, created on first use.
THelpWindow* HelpWindow();
void ShowHelpContext(int context, QWidget* from = nullptr);

} // namespace hy::app
