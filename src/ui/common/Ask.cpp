// TAskUserDialog and the question functions.
#include "ui/common/Ask.h"

#include "ui/common/Balloon.h"
#include "ui/common/HyImage.h"
#include "ui/common/PromptParts.h"

#include <QApplication>
#include <QKeyEvent>
#include <QLabel>
#include <QPointer>
#include <QPushButton>
#include <QScopeGuard>
#include <QStyle>

namespace hy::common {

TAskUserDialog::TAskUserDialog(QWidget* parent)
    : THyForm(parent)
{
    setObjectName(QStringLiteral("AskUserDialog"));
    const TPromptParts parts = BuildPromptParts(this);
    Prompt = parts.prompt;
    Image1 = parts.image;
    Test = parts.test;

    YesButton = new QPushButton(this);
    YesButton->setObjectName(QStringLiteral("YesButton"));
    YesButton->setIcon(style()->standardIcon(QStyle::SP_DialogYesButton));
    YesButton->setDefault(true);
    connect(YesButton, &QPushButton::clicked, this, [this] { done(mrYes); });

    NoButton = new QPushButton(this);
    NoButton->setObjectName(QStringLiteral("NoButton"));
    NoButton->setIcon(style()->standardIcon(QStyle::SP_DialogNoButton));
    connect(NoButton, &QPushButton::clicked, this, [this] { done(mrNo); });

    CancelButton = new QPushButton(QStringLiteral("Cancel"), this);
    CancelButton->setObjectName(QStringLiteral("CancelButton"));
    CancelButton->setIcon(style()->standardIcon(QStyle::SP_DialogCancelButton));
    CancelButton->hide();
    connect(CancelButton, &QPushButton::clicked, this, [this] { done(mrCancel); });
}

TAskUserDialog::~TAskUserDialog() = default;

TPromptParts TAskUserDialog::Parts() const { return { Image1, Prompt, Test }; }

void TAskUserDialog::Prepare(const QString& title, const QString& question, const QString& yesCaption,
    const QString& cancelCaption, const QString& noCaption)
{
    setWindowTitle(title);
    const bool three = !cancelCaption.isEmpty();
    YesButton->setText(yesCaption);
    NoButton->setText(noCaption);
    if (noCaption == QLatin1String("Cancel"))
        NoButton->setIcon(CancelButton->icon());
    CancelButton->setText(cancelCaption);

    const QSize text = MeasureMessage(Test, question, PromptTextLimit(this, Parts()));
    const int height = std::max({ ButtonSize(YesButton).height(), ButtonSize(NoButton).height(),
        three ? ButtonSize(CancelButton).height() : 0 });
    const auto sized = [height](const QPushButton* b) { return QSize(ButtonSize(b).width(), height); };
    m_layout = LayoutAskUser(text, Image1->size(), sized(YesButton), sized(NoButton),
        three ? sized(CancelButton) : QSize(), MetricsOf(Parts()));
    ApplyPromptLayout(this, Parts(), question, m_layout);
    YesButton->setGeometry(m_layout.buttons.at(0));
    NoButton->setGeometry(m_layout.buttons.at(1));
    if (three)
        CancelButton->setGeometry(m_layout.buttons.at(2));
    CancelButton->setVisible(three);
    YesButton->setFocus();
}

int TAskUserDialog::Run() { return ShowModal(); }

void TAskUserDialog::keyPressEvent(QKeyEvent* event)
{
    if (event->key() == Qt::Key_Escape && event->modifiers() == Qt::NoModifier) {
        NoButton->click();
        return;
    }
    THyForm::keyPressEvent(event);
}

void TAskUserDialog::reject() { done(mrCancel); }

int AskUser(const QString& title, const QString& question, const QString& yesCaption, const QString& cancelCaption,
    const QString& noCaption)
{
    QPointer<TAskUserDialog> form = new TAskUserDialog(QApplication::activeWindow());
    const auto release = qScopeGuard([&form] { delete form.data(); });
    form->Prepare(title, question, yesCaption, cancelCaption, noCaption);
    return form->Run();
}

bool AskYesNo(const QString& title, const QString& question)
{
    return AskUser(title, question, QStringLiteral("Yes"), QString(), QStringLiteral("No")) == mrYes;
}

bool AskOkCancel(const QString& title, const QString& question)
{
    return AskUser(title, question, QStringLiteral("Ok"), QString(), QStringLiteral("Cancel")) == mrYes;
}

} // namespace hy::common
