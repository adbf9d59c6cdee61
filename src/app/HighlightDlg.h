// Options > Highlight Rules: the colour rules of the text, in order, with the built-in set for log levels.
#pragma once

#include "core/settings/HighlightRules.h"

#include <QDialog>

class QCheckBox;
class QComboBox;
class QLineEdit;
class QListWidget;
class QPushButton;

namespace hy::app {

class THighlightRulesDialog : public QDialog {
    Q_OBJECT
public:
    explicit THighlightRulesDialog(const settings::THighlightRules& rules, QWidget* parent = nullptr);

    settings::THighlightRules Result() const;

    // The parts a person works with.
    QCheckBox* BuiltInBox() const { return m_builtIn; }
    QListWidget* List() const { return m_list; }
    QLineEdit* PatternField() const { return m_pattern; }
    QCheckBox* RegexBox() const { return m_regex; }
    QCheckBox* CaseBox() const { return m_case; }
    QComboBox* ScopeBox() const { return m_scope; }
    // Adds a rule after the selected one (or at the end) and selects it.
    void AddRule();
    void RemoveRule();
    void MoveRule(int by);
    // Sets a colour of the selected rule (kNoColor: none).
    void SetRuleColor(bool text, quint32 color);

private:
    void ShowRule();
    void TakeRule();
    void PaintItem(int row);
    void ChooseColor(bool text);

    settings::THighlightRules m_rules;
    QCheckBox* m_builtIn;
    QListWidget* m_list;
    QLineEdit* m_pattern;
    QCheckBox* m_regex;
    QCheckBox* m_case;
    QComboBox* m_scope;
    QPushButton* m_textColor;
    QPushButton* m_backColor;
    bool m_showing = false;
};

} // namespace hy::app
