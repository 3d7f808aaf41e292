#pragma once

#include <QWidget>

class QLabel;
class QVBoxLayout;

// One group of a grouped form: an optional header, a rounded card of rows divided by
// hairlines, and an optional footer note. Rows can be hidden; the hairlines follow.
class FormSection : public QWidget {
    Q_OBJECT
public:
    explicit FormSection(const QString& header = {}, QWidget* parent = nullptr);

    /// A row with `label` at the leading edge and `content` at the trailing edge. The label
    /// names the content for screen readers unless the content has a name of its own.
    /// Returns the row, to hide or show it.
    QWidget* addRow(const QString& label, QWidget* content);
    /// The same with `symbol` drawn before the label, in the secondary colour.
    QWidget* addRow(const QString& label, const QString& symbol, QWidget* content);
    /// A row that `content` fills.
    QWidget* addFullRow(QWidget* content);
    void setFooter(const QString& text);

protected:
    void changeEvent(QEvent* event) override;

private:
    void grew();
    void drawSymbols();

    QWidget* m_card;
    QVBoxLayout* m_rows;
    QLabel* m_footer = nullptr;
};

/// A column of sections that scrolls vertically, added to `outer`: the form all the window's
/// pages and the scene editor share. Returns the column's layout; its widget parents the rows.
QVBoxLayout* addScrollingForm(QVBoxLayout& outer);
