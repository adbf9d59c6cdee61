// Shared parts of the prompt dialogs.
#include "ui/common/PromptParts.h"

#include "common/ErrorText.h"
#include "ui/common/Balloon.h"
#include "ui/common/HyForm.h"
#include "ui/common/HyImage.h"

#include <QApplication>
#include <QFontMetrics>
#include <QLabel>
#include <QPushButton>
#include <QRegularExpression>
#include <QScreen>

static void InitCommonResources() { Q_INIT_RESOURCE(common); }

namespace hy::common {

// The text of a prompt: line breaks as the widgets want them, and a break opportunity after every "/" of a
// long word, so a long path wraps inside the balloon instead of running out of it.
QString PromptText(const QString& message)
{
    QString text = DisplayText(message);
    static const QRegularExpression longWord(QStringLiteral("\\S{40,}"));
    QRegularExpressionMatchIterator it = longWord.globalMatch(text);
    QList<QRegularExpressionMatch> matches;
    while (it.hasNext())
        matches.prepend(it.next());
    for (const QRegularExpressionMatch& m : matches) {
        QString word = m.captured();
        word.replace(QLatin1Char('/'), QStringLiteral("/\u200B"));
        text.replace(m.capturedStart(), m.capturedLength(), word);
    }
    return text;
}

namespace {

    constexpr int kTextFlags = Qt::AlignLeft | Qt::AlignTop | Qt::TextExpandTabs;

} // namespace

QPixmap KeeperPicture()
{
    static const bool loaded = (InitCommonResources(), true);
    Q_UNUSED(loaded);
    return QPixmap(QStringLiteral(":/common/keeper.png"));
}

QFont DialogFont()
{
    QFont font(QStringLiteral("Arial"));
    font.setPixelSize(12);
    return font;
}

QFont PromptFont()
{
    QFont font(QStringLiteral("Arial"));
    font.setPixelSize(13);
    font.setBold(true);
    return font;
}

TPromptParts BuildPromptParts(THyForm* form)
{
    form->setWindowFlags(Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowSystemMenuHint
        | Qt::WindowCloseButtonHint);
    form->setFont(DialogFont());

    TPromptParts parts;
    parts.image = new THyImage(form);
    parts.image->setObjectName(QStringLiteral("Image1"));
    parts.image->move(16, 16);
    parts.image->SetAutoSize(true);
    parts.image->SetTransparent(true);
    parts.image->SetPicture(KeeperPicture());

    parts.prompt = new TBalloon(form);
    parts.prompt->setObjectName(QStringLiteral("Prompt"));
    parts.prompt->move(80, 16);
    parts.prompt->SetCornerSize(14);
    parts.prompt->SetXOffset(8);
    parts.prompt->SetYOffset(8);
    parts.prompt->SetStemOffset(8);
    parts.prompt->setFont(PromptFont());
    QPalette palette = parts.prompt->palette();
    palette.setColor(QPalette::Active, QPalette::WindowText, Qt::black);
    palette.setColor(QPalette::Inactive, QPalette::WindowText, Qt::black);
    parts.prompt->setPalette(palette);

    parts.test = new QLabel(form);
    parts.test->setObjectName(QStringLiteral("Test"));
    parts.test->setTextFormat(Qt::PlainText);
    parts.test->setFont(PromptFont());
    parts.test->setContentsMargins(0, 0, 0, 0);
    parts.test->setIndent(0);
    parts.test->move(80, 16);
    return parts;
}

QSize MeasureMessage(QLabel* test, const QString& message, int maxWidth)
{
    const QString text = PromptText(message);
    const QFontMetrics fm(test->font());
    const int unlimited = INT_MAX / 4;
    QRect bounds
        = fm.boundingRect(QRect(0, 0, unlimited, unlimited), kTextFlags, text.isEmpty() ? QStringLiteral(" ") : text);
    if (bounds.width() > maxWidth) {
        bounds = fm.boundingRect(QRect(0, 0, maxWidth, unlimited), kTextFlags | Qt::TextWordWrap, text);
        bounds.setWidth(std::min(bounds.width(), maxWidth));
        test->setWordWrap(true);
    } else {
        test->setWordWrap(false);
    }
    if (text.isEmpty())
        bounds.setWidth(0);
    test->setText(text);
    test->resize(bounds.width(), bounds.height());
    return test->size();
}

TPromptMetrics MetricsOf(const TPromptParts& parts)
{
    TPromptMetrics m;
    m.picturePos = QPoint(16, 16);
    m.promptPos = parts.prompt->pos();
    m.xOffset = parts.prompt->XOffset();
    m.yOffset = parts.prompt->YOffset();
    m.stemSize = parts.prompt->StemSize();
    return m;
}

QSize ButtonSize(const QPushButton* button) { return button->sizeHint().expandedTo(QSize(75, 25)); }

void ApplyPromptLayout(THyForm* form, const TPromptParts& parts, const QString& message, const TDialogLayout& layout)
{
    parts.prompt->setGeometry(layout.prompt);
    parts.prompt->SetCaption(PromptText(message));
    parts.image->move(layout.picture.topLeft());
    parts.test->clear();
    form->setFixedSize(layout.client);
    form->CenterOnScreen();
}

int PromptTextLimit(const THyForm* form, const TPromptParts& parts)
{
    const QScreen* s = form->parentWidget() ? form->parentWidget()->screen() : form->screen();
    if (!s)
        s = QGuiApplication::primaryScreen();
    const int screenWidth = s ? s->availableGeometry().width() : 1024;
    return MaxPromptTextWidth(screenWidth, parts.image->size(), MetricsOf(parts));
}

} // namespace hy::common
