// The one-line input dialog (Go to Line and other short questions).
#pragma once

#include <QDialog>

class QLabel;
class QLineEdit;

namespace hy::app {

class TGetInputDialog : public QDialog {
    Q_OBJECT
public:
    TGetInputDialog(const QString& caption, const QString& prompt, const QString& text, int helpContext,
        bool digitsOnly, QWidget* parent = nullptr);
    QString Text() const;
    QLineEdit* Edit() const { return m_edit; }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    QLabel* m_prompt;
    QLineEdit* m_edit;
    int m_helpContext;
    bool m_digitsOnly;
};

// Modal: true, with the new text, exactly when the user pressed OK and the text is not empty.
bool GetInput(
    QWidget* parent, const QString& caption, const QString& prompt, QString& text, int helpContext, bool digitsOnly);

} // namespace hy::app
