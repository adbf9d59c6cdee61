// One-line input: an edit of at most 10 characters; in digits-only mode other keys are refused with a beep.
#include "app/Input.h"

#include "app/HelpWindow.h"

#include <QApplication>
#include <QDialogButtonBox>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

namespace hy::app {

TGetInputDialog::TGetInputDialog(const QString& caption, const QString& prompt, const QString& text, int helpContext,
    bool digitsOnly, QWidget* parent)
    : QDialog(parent)
    , m_prompt(new QLabel(prompt, this))
    , m_edit(new QLineEdit(text, this))
    , m_helpContext(helpContext)
    , m_digitsOnly(digitsOnly)
{
    setObjectName(QStringLiteral("GetInputDialog"));
    setWindowTitle(caption);
    m_edit->setMaxLength(10);
    m_edit->selectAll();
    m_edit->installEventFilter(this);
    m_prompt->setBuddy(m_edit);
    auto* buttons = new QDialogButtonBox(this);
    QPushButton* ok = buttons->addButton(QStringLiteral("OK"), QDialogButtonBox::AcceptRole);
    ok->setDefault(true);
    buttons->addButton(QStringLiteral("Cancel"), QDialogButtonBox::RejectRole);
    QPushButton* help = buttons->addButton(QStringLiteral("&Help"), QDialogButtonBox::HelpRole);
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    connect(help, &QPushButton::clicked, this, [this]() { ShowHelpContext(m_helpContext, this); });
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(m_prompt);
    layout->addWidget(m_edit);
    layout->addWidget(buttons);
    setFixedSize(sizeHint().expandedTo(QSize(300, 0)));
}

QString TGetInputDialog::Text() const { return m_edit->text(); }

bool TGetInputDialog::eventFilter(QObject* watched, QEvent* event)
{
    if (m_digitsOnly && watched == m_edit && event->type() == QEvent::KeyPress) {
        auto* key = static_cast<QKeyEvent*>(event);
        const QString text = key->text();
        const bool editingKey = key->key() == Qt::Key_Backspace || text.isEmpty() || key->key() == Qt::Key_Return
            || key->key() == Qt::Key_Enter || key->key() == Qt::Key_Escape || key->key() == Qt::Key_Tab;
        const bool digit = text.size() == 1 && text[0] >= QLatin1Char('0') && text[0] <= QLatin1Char('9');
        if (!editingKey && !digit) {
            QApplication::beep();
            return true;
        }
    }
    return QDialog::eventFilter(watched, event);
}

bool GetInput(
    QWidget* parent, const QString& caption, const QString& prompt, QString& text, int helpContext, bool digitsOnly)
{
    TGetInputDialog dialog(caption, prompt, text, helpContext, digitsOnly, parent);
    if (dialog.exec() != QDialog::Accepted || dialog.Text().isEmpty())
        return false;
    text = dialog.Text();
    return true;
}

} // namespace hy::app
