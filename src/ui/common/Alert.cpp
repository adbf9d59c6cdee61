// TAlertDialog and the reporting functions built on it.
#include "ui/common/Alert.h"

#include "common/ErrorText.h"
#include "ui/common/Balloon.h"
#include "ui/common/CursorScope.h"
#include "ui/common/HyImage.h"
#include "ui/common/PromptParts.h"

#include <QApplication>
#include <QLabel>
#include <QMessageBox>
#include <QPointer>
#include <QPushButton>
#include <QScopeGuard>
#include <QStyle>
#include <utility>

namespace hy::common {

namespace {

    TAlertDialog* g_programAlert = nullptr;
    TAlertHold* g_hold = nullptr;

} // namespace

TAlertDialog::TAlertDialog(QWidget* parent)
    : THyForm(parent)
{
    setObjectName(QStringLiteral("AlertDialog"));
    const TPromptParts parts = BuildPromptParts(this);
    Prompt = parts.prompt;
    Image1 = parts.image;
    Test = parts.test;
    OKButton = new QPushButton(QStringLiteral("OK"), this);
    OKButton->setObjectName(QStringLiteral("OKButton"));
    OKButton->setIcon(style()->standardIcon(QStyle::SP_DialogOkButton));
    OKButton->setDefault(true);
    connect(OKButton, &QPushButton::clicked, this, [this] { done(mrOk); });
    if (!g_programAlert)
        g_programAlert = this;
}

TAlertDialog::~TAlertDialog()
{
    if (g_programAlert == this)
        g_programAlert = nullptr;
}

TPromptParts TAlertDialog::Parts() const { return { Image1, Prompt, Test }; }

TAlertDialog* TAlertDialog::ProgramAlert() { return g_programAlert; }

void TAlertDialog::Prepare(const QString& title, const QString& message)
{
    setWindowTitle(title);
    const QSize text = MeasureMessage(Test, message, PromptTextLimit(this, Parts()));
    const QSize ok = ButtonSize(OKButton);
    m_layout = LayoutAlert(text, Image1->size(), ok, MetricsOf(Parts()));
    ApplyPromptLayout(this, Parts(), message, m_layout);
    OKButton->setGeometry(m_layout.buttons.at(0));
    OKButton->setFocus();
}

int TAlertDialog::Run() { return ShowModal(); }

void TAlertDialog::showEvent(QShowEvent* event)
{
    THyForm::showEvent(event);
    Beep();
}

void TAlertDialog::reject() { done(mrCancel); }

TAlertHold::TAlertHold()
    : m_outer(g_hold)
{
    g_hold = this;
}

TAlertHold::~TAlertHold()
{
    try {
        ShowHeld();
    } catch (const std::exception&) {
    }
    g_hold = m_outer;
}

void TAlertHold::ShowHeld()
{
    if (g_hold == this)
        g_hold = m_outer;
    const QList<THeldAlert> alerts = std::exchange(Alerts, {});
    for (const THeldAlert& a : alerts)
        ShowAlert(a.Title, a.Message);
}

void ShowAlert(const QString& title, const QString& message)
{
    if (g_hold) {
        g_hold->Alerts.append({ title, message });
        return;
    }
    TAlertDialog* form = TAlertDialog::ProgramAlert();
    if (form && form->isVisible()) {
        QMessageBox box(
            QMessageBox::NoIcon, title, DisplayText(message), QMessageBox::Ok, QApplication::activeWindow());
        TCursorScope arrow(Qt::ArrowCursor);
        box.exec();
        return;
    }
    QPointer<TAlertDialog> own;
    const auto release = qScopeGuard([&own] { delete own.data(); });
    if (!form) {
        own = new TAlertDialog(QApplication::activeWindow());
        form = own.data();
    }
    form->Prepare(title, message);
    form->Run();
}

void ShowError(const QString& message) { ShowAlert(ErrorTitle(), message); }

void ShowErrorCode(int code) { ShowError(ErrorText(code)); }

void ShowException(const std::exception& e)
{
    const QString text = ExceptionText(e);
    if (!text.isEmpty())
        ShowError(text);
}

void Beep() { QApplication::beep(); }

} // namespace hy::common
