// Find dialog.
#include "app/Brview3.h"

#include "app/HelpWindow.h"

#include <QCheckBox>
#include <QDialogButtonBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QVBoxLayout>

namespace hy::app {

unsigned TSearchState::FindOptions() const
{
    return (DirectionDown ? 0u : 2u) | (MatchCase ? 4u : 0u) | (OriginTop ? 8u : 0u) | (Regex ? 16u : 0u);
}

TSearchDialog::TSearchDialog(const TSearchState& state, bool severalWindows, QWidget* parent)
    : QDialog(parent)
    , m_text(new QLineEdit(state.Text, this))
{
    setObjectName(QStringLiteral("SearchDialog"));
    setWindowTitle(QStringLiteral("Find"));

    auto* label = new QLabel(QStringLiteral("&Find What:"), this);
    label->setBuddy(m_text);
    m_text->setMaxLength(255);
    m_text->selectAll();

    auto* direction = new QGroupBox(QStringLiteral("Direction"), this);
    m_up = new QRadioButton(QStringLiteral("&Up"), direction);
    m_down = new QRadioButton(QStringLiteral("&Down"), direction);
    (state.DirectionDown ? m_down : m_up)->setChecked(true);
    auto* dl = new QVBoxLayout(direction);
    dl->addWidget(m_up);
    dl->addWidget(m_down);

    auto* origin = new QGroupBox(QStringLiteral("Origin"), this);
    m_cursor = new QRadioButton(QStringLiteral("From &Cursor"), origin);
    m_top = new QRadioButton(QStringLiteral("&Top of File"), origin);
    (state.OriginTop ? m_top : m_cursor)->setChecked(true);
    auto* ol = new QVBoxLayout(origin);
    ol->addWidget(m_cursor);
    ol->addWidget(m_top);

    m_matchCase = new QCheckBox(QStringLiteral("Match &Case"), this);
    m_matchCase->setChecked(state.MatchCase);
    m_regex = new QCheckBox(QStringLiteral("Regular e&xpression"), this);
    m_regex->setObjectName(QStringLiteral("RegexBox"));
    m_regex->setChecked(state.Regex);
    m_allFiles = new QCheckBox(QStringLiteral("Search &All Open Files"), this);
    m_allFiles->setChecked(state.AllFiles);
    m_allFiles->setEnabled(severalWindows);

    auto* buttons = new QDialogButtonBox(Qt::Vertical, this);
    m_find = buttons->addButton(QStringLiteral("Find"), QDialogButtonBox::AcceptRole);
    m_find->setDefault(true);
    buttons->addButton(QStringLiteral("Cancel"), QDialogButtonBox::RejectRole);
    QPushButton* help = buttons->addButton(QStringLiteral("&Help"), QDialogButtonBox::HelpRole);
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    connect(help, &QPushButton::clicked, this, [this]() { ShowHelpContext(200, this); });
    m_find->setEnabled(!m_text->text().isEmpty());
    connect(m_text, &QLineEdit::textChanged, this, [this](const QString& t) { m_find->setEnabled(!t.isEmpty()); });

    auto* grid = new QGridLayout;
    grid->addWidget(label, 0, 0);
    grid->addWidget(m_text, 0, 1, 1, 2);
    grid->addWidget(direction, 1, 0, 1, 2);
    grid->addWidget(origin, 1, 2);
    grid->addWidget(m_matchCase, 2, 0, 1, 2);
    grid->addWidget(m_regex, 2, 2);
    grid->addWidget(m_allFiles, 3, 0, 1, 3);
    auto* layout = new QHBoxLayout(this);
    layout->addLayout(grid, 1);
    layout->addWidget(buttons);
    setFixedSize(sizeHint());
}

TSearchState TSearchDialog::State() const
{
    TSearchState s;
    s.Text = m_text->text();
    s.MatchCase = m_matchCase->isChecked();
    s.DirectionDown = m_down->isChecked();
    s.OriginTop = m_top->isChecked();
    s.AllFiles = m_allFiles->isChecked();
    s.Regex = m_regex->isChecked();
    return s;
}

} // namespace hy::app
