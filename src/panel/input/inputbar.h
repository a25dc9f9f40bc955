#pragma once

#include <QString>
#include <QWidget>

#include <optional>

class QLineEdit;

namespace Quello {

class ChipRow;
class DigStore;
class FieldRow;
class InputPreview;

// The bottom of the panel: one line where a watch is typed, previewed as
// chips while it parses, and added with Return.
class InputBar : public QWidget {
    Q_OBJECT

public:
    explicit InputBar(DigStore& store, QWidget* parent = nullptr);

    QLineEdit* field() const { return m_field; }
    ChipRow* chipRow() const { return m_chipRow; }
    FieldRow* fieldRow() const { return m_fieldRow; }

protected:
    void changeEvent(QEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void applyPalette();
    void inputChanged(const QString& text);
    // The preview in words, for the field's accessible description: what
    // Return would add, or that the line is not a watch.
    static QString spokenPreview(const InputPreview& preview, const QString& text);
    void addWatch();
    void tellOutcome(const QString& outcome);
    // Puts the ACE form the preview offers into the field; false without one.
    bool takeAceForm();

    DigStore& m_store;
    QLineEdit* m_field;
    ChipRow* m_chipRow;
    FieldRow* m_fieldRow;
    std::optional<QString> m_animationKey;
    bool m_toned = false;
};

} // namespace Quello
