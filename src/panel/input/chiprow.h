#pragma once

#include "panel/input/inputpreview.h"

#include <QList>
#include <QWidget>

namespace Quello {

// The preview chips above the input field. `reveal` runs from 0 (absent, no
// height) to 1 (shown): the row grows, fades in and rises from the field.
class ChipRow : public QWidget {
    Q_OBJECT
    Q_PROPERTY(qreal reveal READ reveal WRITE setReveal)

public:
    // Gap between the chips and the field below them.
    static constexpr int gap = 6;
    static constexpr int spacing = 5;

    explicit ChipRow(QWidget* parent = nullptr);

    const QList<PreviewChip>& chips() const { return m_chips; }
    void setChips(const QList<PreviewChip>& chips);

    qreal reveal() const { return m_reveal; }
    void setReveal(qreal reveal);

    static QFont chipFont();
    // The text of a chip of `color` on its own tint over `window`.
    static QColor textColor(const QColor& color, const QColor& window);

    // The chips' widths for the available width: natural widths when they fit,
    // otherwise the narrow chips keep theirs and the wide ones share the rest.
    static QList<int> fittedWidths(const QList<int>& naturalWidths, int available);

    QSize sizeHint() const override;
    QSize minimumSizeHint() const override;

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    int chipHeight() const;

    QList<PreviewChip> m_chips;
    qreal m_reveal = 0;
};

} // namespace Quello
