#pragma once

#include "ui/window/FormSection.h"

#include <QStringList>

class QComboBox;
class QLineEdit;

/// The name and icon of a scene, as two rows of a form section: a name field ("Scene name"),
/// which Return leaves rather than submitting the form, and a picker of the offered symbols
/// ("Scene icon"), each shown with its image and display name.
class SceneIdentityEditor : public FormSection {
    Q_OBJECT
public:
    SceneIdentityEditor(const QString& header, const QStringList& symbols, QWidget* parent = nullptr);

    QString name() const;
    void setName(const QString& name);

    /// The chosen symbol. A symbol outside the offered ones (a scene made elsewhere) is kept and
    /// shown as an extra entry, so editing the name alone never changes the icon.
    QString symbol() const;
    void setSymbol(const QString& symbol);
    QStringList symbols() const { return m_symbols; }

    bool isNameFocused() const;
    void setNameFocused(bool focused);

signals:
    void nameChanged(const QString& name);
    void symbolChanged(const QString& symbol);
    void nameFocusChanged(bool focused);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;
    void changeEvent(QEvent* event) override;

private:
    void refreshIcons();

    QStringList m_symbols;
    QLineEdit* m_name;
    QComboBox* m_symbol;
};
