#pragma once

#include <QColor>
#include <QString>
#include <QWidget>

#include <optional>

/// A symbol drawn at paint time in a colour taken from the palette, so it stays sharp on any
/// screen and follows a light or dark desktop. Without an accessible name it is decoration
/// and hidden from screen readers; with one it is announced as an image of that name.
class SceneSymbolView : public QWidget {
    Q_OBJECT
public:
    enum class Tone {
        secondary, // beside a title
        accent,    // the palette's highlight colour
    };

    SceneSymbolView(const QString& symbol, int pixelSize, Tone tone = Tone::secondary,
                    QWidget* parent = nullptr);

    QString symbol() const { return m_symbol; }
    void setSymbol(const QString& symbol);
    /// A colour of its own in place of the tone (a colour channel's red, green or blue).
    void setTint(std::optional<QColor> tint);
    /// The colour the symbol is drawn in now.
    QColor color() const;

    QSize sizeHint() const override;

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    QString m_symbol;
    int m_pixelSize;
    Tone m_tone;
    std::optional<QColor> m_tint;
};
