#pragma once

#include <QString>
#include <QWidget>

#include <optional>

class QLineEdit;

namespace Quello {

class ChipRow;
class DigStore;
class FieldRow;

// The bottom of the panel: one line where a watch is typed, previewed as
// chips while it parses, and added with Return.
class InputBar : public QWidget {
    Q_OBJECT

public:
    explicit InputBar(DigStore& store, QWidget* parent = nullptr);

    QLineEdit* field() const { return m_field; }
    ChipRow* chipRow() const { return m_chipRow; }
    FieldRow* fieldRow() const { return m_fieldRow; }

    // The preview in words, for the field's accessible description: what
    // Return would add, or that the line is not a watch.
    static QString spokenPreview(const QString& text);

protected:
    void changeEvent(QEvent* event) override;

private:
    void applyPalette();
    void inputChanged(const QString& text);
    void addWatch();

    DigStore& m_store;
    QLineEdit* m_field;
    ChipRow* m_chipRow;
    FieldRow* m_fieldRow;
    std::optional<QString> m_animationKey;
};

} // namespace Quello
