#pragma once

#include <QWidget>

class QTimer;

/// A small indeterminate progress indicator: a ring of ticks whose bright head goes round, in
/// the palette's text colour. It only animates while it is on screen.
class Spinner : public QWidget {
    Q_OBJECT

public:
    enum class Size {
        mini,  // 12 px, beside a readout or inside a chip
        small, // 16 px
    };

    explicit Spinner(QWidget* parent = nullptr);
    explicit Spinner(Size size, QWidget* parent = nullptr);

    Size controlSize() const { return m_size; }
    void setControlSize(Size size);

protected:
    void paintEvent(QPaintEvent* event) override;
    void showEvent(QShowEvent* event) override;
    void hideEvent(QHideEvent* event) override;

private:
    void advance();

    Size m_size = Size::small;
    QTimer* m_timer = nullptr;
    int m_head = 0;
};
