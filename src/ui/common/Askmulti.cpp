// TAskMultiDialog and AskMulti.
#include "ui/common/Askmulti.h"

#include "ui/common/Balloon.h"
#include "ui/common/HyImage.h"
#include "ui/common/PromptParts.h"

#include <QApplication>
#include <QLabel>
#include <QPointer>
#include <QPushButton>
#include <QScopeGuard>
#include <QStyle>

namespace hy::common {

TAskMultiDialog::TAskMultiDialog(QWidget* parent)
    : THyForm(parent)
{
    setObjectName(QStringLiteral("AskMultiDialog"));
    const TPromptParts parts = BuildPromptParts(this);
    Prompt = parts.prompt;
    Image1 = parts.image;
    Test = parts.test;

    const auto makeButton = [this](const QString& caption, const char* name, QStyle::StandardPixmap icon, int result) {
        auto* button = new QPushButton(caption, this);
        button->setObjectName(QLatin1String(name));
        QIcon glyph = style()->standardIcon(icon);
        if (glyph.isNull() && icon == QStyle::SP_DialogYesToAllButton)
            glyph = style()->standardIcon(QStyle::SP_DialogYesButton);
        button->setIcon(glyph);
        connect(button, &QPushButton::clicked, this, [this, result] { done(result); });
        return button;
    };
    YesButton = makeButton(QStringLiteral("Yes"), "YesButton", QStyle::SP_DialogYesButton, mrYes);
    YesToAllButton = makeButton(QStringLiteral("Yes to &All"), "YesToAllButton", QStyle::SP_DialogYesToAllButton, mrOk);
    NoButton = makeButton(QStringLiteral("&No"), "NoButton", QStyle::SP_DialogNoButton, mrNo);
    CancelButton = makeButton(QStringLiteral("Cancel"), "CancelButton", QStyle::SP_DialogCancelButton, mrCancel);
    YesButton->setDefault(true);
}

TAskMultiDialog::~TAskMultiDialog() = default;

TPromptParts TAskMultiDialog::Parts() const { return { Image1, Prompt, Test }; }

void TAskMultiDialog::Prepare(const QString& title, const QString& question)
{
    setWindowTitle(title);
    const QSize text = MeasureMessage(Test, question, PromptTextLimit(this, Parts()));
    const QList<QPushButton*> buttons { YesButton, YesToAllButton, NoButton, CancelButton };
    int height = 0;
    for (const QPushButton* b : buttons)
        height = std::max(height, ButtonSize(b).height());
    QList<QSize> sizes;
    for (const QPushButton* b : buttons)
        sizes.append(QSize(ButtonSize(b).width(), height));
    m_layout = LayoutAskMulti(text, Image1->size(), sizes, MetricsOf(Parts()));
    ApplyPromptLayout(this, Parts(), question, m_layout);
    for (int i = 0; i < buttons.size(); ++i)
        buttons[i]->setGeometry(m_layout.buttons.at(i));
    YesButton->setFocus();
}

int TAskMultiDialog::Run() { return ShowModal(); }

void TAskMultiDialog::reject() { done(mrCancel); }

int AskMulti(const QString& title, const QString& question)
{
    QPointer<TAskMultiDialog> form = new TAskMultiDialog(QApplication::activeWindow());
    const auto release = qScopeGuard([&form] { delete form.data(); });
    form->Prepare(title, question);
    return form->Run();
}

} // namespace hy::common
