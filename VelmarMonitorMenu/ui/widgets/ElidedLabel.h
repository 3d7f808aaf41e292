#pragma once

#include <QWidget>

// One line of text that never wraps: a longer text is elided at the end, and the whole of it
// is in the tooltip. Line breaks (a helper's error text ends with one) become spaces, so
// there is never a blank second line.
class ElidedLabel : public QWidget {
    Q_OBJECT
public:
    explicit ElidedLabel(QWidget* parent = nullptr);

    void setText(const QString& text);
    QString text() const { return m_text; }
    void setAlignment(Qt::Alignment alignment);

    /// The text as one line: line breaks become spaces, trailing blanks are dropped.
    static QString oneLine(const QString& text);

    QSize sizeHint() const override;
    QSize minimumSizeHint() const override;

protected:
    void paintEvent(QPaintEvent* event) override;
    void changeEvent(QEvent* event) override;

private:
    QString m_text;
    QString m_line;
    Qt::Alignment m_alignment = Qt::AlignLeft | Qt::AlignVCenter;
};
