// The program's help: HTML pages shipped with it, one topic per context number, shown in a window of its own.
// Help asked for while a modal dialog waits comes up in front of that dialog and takes input while it waits.
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

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void ShowPage(const QString& page);
    // Over a modal dialog the window is that dialog's own window (so the dialog does not block it); on its own
    // again once the dialog goes.
    void FollowModalDialog();
    void PlaceBeside(const QWidget* dialog);
    void Detach();
    void RunSearch(const QString& text);

    QTextBrowser* m_browser;
    QWidget* m_searchPane;
    QLineEdit* m_searchEdit;
    QListWidget* m_results;
};

// The one help window of the program, created on first use.
THelpWindow* HelpWindow();
// Opens the topic of a context number; from is the window that asked (a dialog's Help button).
void ShowHelpContext(int context, QWidget* from = nullptr);

} // namespace hy::app
