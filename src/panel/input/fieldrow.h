#pragma once

#include <QIcon>
#include <QWidget>

class QLineEdit;

namespace Quello {

// The rounded field behind the input line, with its border and the leading
// plus. `tone` runs from 0 (neutral: the line does not parse) to 1 (violet).
class FieldRow : public QWidget {
    Q_OBJECT
    Q_PROPERTY(qreal tone READ tone WRITE setTone)

public:
    static constexpr int iconSize = 11;

    explicit FieldRow(QLineEdit* field, QWidget* parent = nullptr);

    qreal tone() const { return m_tone; }
    void setTone(qreal tone);

    // The colours the painting blends between, for the current palette.
    QColor borderColor() const;
    QColor iconColor() const;

protected:
    void paintEvent(QPaintEvent* event) override;
    void changeEvent(QEvent* event) override;

private:
    QColor iconColor(bool parses) const;
    void updateIcons();

    qreal m_tone = 0;
    QIcon m_neutralIcon;
    QIcon m_activeIcon;
};

} // namespace Quello
