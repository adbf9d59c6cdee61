// The Highlight Rules dialog.
#include "app/HighlightDlg.h"

#include <QCheckBox>
#include <QColorDialog>
#include <QComboBox>
#include <QDialogButtonBox>
#include <QGridLayout>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMenu>
#include <QPushButton>
#include <QVBoxLayout>

namespace hy::app {

using namespace hy::settings;

using settings::kNoColor;
using settings::THighlightRule;

namespace {
    QColor ColorOf(quint32 c) { return c == kNoColor ? QColor() : QColor::fromRgb(QRgb(c)); }
} // namespace

THighlightRulesDialog::THighlightRulesDialog(const settings::THighlightRules& rules, QWidget* parent)
    : QDialog(parent)
    , m_rules(rules)
    , m_builtIn(new QCheckBox(QStringLiteral("Use the &built-in rules for ERROR, WARN, INFO and DEBUG"), this))
    , m_list(new QListWidget(this))
    , m_pattern(new QLineEdit(this))
    , m_regex(new QCheckBox(QStringLiteral("Regular e&xpression"), this))
    , m_case(new QCheckBox(QStringLiteral("Match &case"), this))
    , m_scope(new QComboBox(this))
    , m_textColor(new QPushButton(QStringLiteral("&Text Colour"), this))
    , m_backColor(new QPushButton(QStringLiteral("Bac&k Colour"), this))
{
    setObjectName(QStringLiteral("HighlightRulesDialog"));
    setWindowTitle(QStringLiteral("Highlight Rules"));
    m_builtIn->setChecked(rules.BuiltIn);
    m_scope->addItems({ QStringLiteral("Match only"), QStringLiteral("Whole line") });
    auto* add = new QPushButton(QStringLiteral("&Add"), this);
    auto* remove = new QPushButton(QStringLiteral("&Remove"), this);
    auto* up = new QPushButton(QStringLiteral("Move &Up"), this);
    auto* down = new QPushButton(QStringLiteral("Move &Down"), this);
    // Each colour button offers a colour or none.
    for (QPushButton* b : { m_textColor, m_backColor }) {
        const bool text = b == m_textColor;
        auto* menu = new QMenu(b);
        menu->addAction(QStringLiteral("Choose..."), this, [this, text] { ChooseColor(text); });
        menu->addAction(QStringLiteral("None"), this, [this, text] { SetRuleColor(text, kNoColor); });
        b->setMenu(menu);
    }
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    auto* side = new QVBoxLayout;
    for (QPushButton* b : { add, remove, up, down })
        side->addWidget(b);
    side->addStretch(1);
    auto* edit = new QGridLayout;
    auto* patternLabel = new QLabel(QStringLiteral("&Pattern:"), this);
    patternLabel->setBuddy(m_pattern);
    edit->addWidget(patternLabel, 0, 0);
    edit->addWidget(m_pattern, 0, 1, 1, 3);
    edit->addWidget(m_regex, 1, 1);
    edit->addWidget(m_case, 1, 2);
    edit->addWidget(m_scope, 1, 3);
    edit->addWidget(m_textColor, 2, 1);
    edit->addWidget(m_backColor, 2, 2);
    auto* top = new QHBoxLayout;
    top->addWidget(m_list, 1);
    top->addLayout(side);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(m_builtIn);
    layout->addWidget(new QLabel(QStringLiteral("Your rules, applied in order (later ones over earlier ones):"), this));
    layout->addLayout(top, 1);
    layout->addLayout(edit);
    layout->addWidget(buttons);
    resize(560, 420);

    for (int i = 0; i < m_rules.Rules.size(); ++i) {
        m_list->addItem(QString());
        PaintItem(i);
    }
    connect(add, &QPushButton::clicked, this, &THighlightRulesDialog::AddRule);
    connect(remove, &QPushButton::clicked, this, &THighlightRulesDialog::RemoveRule);
    connect(up, &QPushButton::clicked, this, [this] { MoveRule(-1); });
    connect(down, &QPushButton::clicked, this, [this] { MoveRule(1); });
    connect(m_list, &QListWidget::currentRowChanged, this, &THighlightRulesDialog::ShowRule);
    connect(m_pattern, &QLineEdit::textEdited, this, &THighlightRulesDialog::TakeRule);
    for (QCheckBox* box : { m_regex, m_case })
        connect(box, &QCheckBox::toggled, this, &THighlightRulesDialog::TakeRule);
    connect(m_scope, &QComboBox::currentIndexChanged, this, &THighlightRulesDialog::TakeRule);
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    m_list->setCurrentRow(m_rules.Rules.isEmpty() ? -1 : 0);
    ShowRule();
}

settings::THighlightRules THighlightRulesDialog::Result() const
{
    settings::THighlightRules out = m_rules;
    out.BuiltIn = m_builtIn->isChecked();
    out.Rules.removeIf([](const THighlightRule& r) { return r.Pattern.isEmpty(); });
    return out;
}

void THighlightRulesDialog::AddRule()
{
    const int at = m_list->currentRow() < 0 ? int(m_rules.Rules.size()) : m_list->currentRow() + 1;
    m_rules.Rules.insert(at, THighlightRule { QString(), false, false, kNoColor, 0xFFFF80, false });
    m_list->insertItem(at, QString());
    PaintItem(at);
    m_list->setCurrentRow(at);
    m_pattern->setFocus();
}

void THighlightRulesDialog::RemoveRule()
{
    const int row = m_list->currentRow();
    if (row < 0)
        return;
    m_rules.Rules.removeAt(row);
    delete m_list->takeItem(row);
    ShowRule();
}

void THighlightRulesDialog::MoveRule(int by)
{
    const int row = m_list->currentRow();
    const int to = row + by;
    if (row < 0 || to < 0 || to >= m_rules.Rules.size())
        return;
    m_rules.Rules.swapItemsAt(row, to);
    PaintItem(row);
    PaintItem(to);
    m_list->setCurrentRow(to);
}

void THighlightRulesDialog::SetRuleColor(bool text, quint32 color)
{
    const int row = m_list->currentRow();
    if (row < 0)
        return;
    (text ? m_rules.Rules[row].Text : m_rules.Rules[row].Back) = color;
    PaintItem(row);
}

void THighlightRulesDialog::ChooseColor(bool text)
{
    const int row = m_list->currentRow();
    if (row < 0)
        return;
    const quint32 now = text ? m_rules.Rules[row].Text : m_rules.Rules[row].Back;
    const QColor chosen = QColorDialog::getColor(now == kNoColor ? QColor(Qt::white) : ColorOf(now), this);
    if (chosen.isValid())
        SetRuleColor(text, chosen.rgb() & 0xFFFFFF);
}

void THighlightRulesDialog::ShowRule()
{
    const int row = m_list->currentRow();
    const bool any = row >= 0;
    for (QWidget* w : std::initializer_list<QWidget*> { m_pattern, m_regex, m_case, m_scope, m_textColor, m_backColor })
        w->setEnabled(any);
    const THighlightRule r = any ? m_rules.Rules[row] : THighlightRule {};
    m_showing = true;
    m_pattern->setText(r.Pattern);
    m_regex->setChecked(r.Regex);
    m_case->setChecked(r.MatchCase);
    m_scope->setCurrentIndex(r.WholeLine ? 1 : 0);
    m_showing = false;
}

void THighlightRulesDialog::TakeRule()
{
    const int row = m_list->currentRow();
    if (m_showing || row < 0)
        return;
    THighlightRule& r = m_rules.Rules[row];
    r.Pattern = m_pattern->text();
    r.Regex = m_regex->isChecked();
    r.MatchCase = m_case->isChecked();
    r.WholeLine = m_scope->currentIndex() == 1;
    PaintItem(row);
}

void THighlightRulesDialog::PaintItem(int row)
{
    const THighlightRule& r = m_rules.Rules[row];
    QListWidgetItem* item = m_list->item(row);
    item->setText(r.Pattern.isEmpty() ? QStringLiteral("(new rule)")
                                      : r.Pattern + (r.WholeLine ? QStringLiteral("   [whole line]") : QString()));
    item->setForeground(r.Text == kNoColor ? palette().text() : QBrush(ColorOf(r.Text)));
    item->setBackground(r.Back == kNoColor ? palette().base() : QBrush(ColorOf(r.Back)));
}

} // namespace hy::app
