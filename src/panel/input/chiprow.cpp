#include "panel/input/chiprow.h"

#include "panel/style/contrast.h"
#include "panel/style/textstyles.h"

#include <QPainter>
#include <QPainterPath>

#include <algorithm>
#include <cmath>

namespace Quello {

namespace {

constexpr int paddingX = 7;
constexpr int paddingY = 3;

} // namespace

ChipRow::ChipRow(QWidget* parent)
    : QWidget(parent) {
    setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Fixed);
}

void ChipRow::setChips(const QList<PreviewChip>& chips) {
    if (chips == m_chips)
        return;
    m_chips = chips;
    update();
}

void ChipRow::setReveal(qreal reveal) {
    if (reveal == m_reveal)
        return;
    m_reveal = reveal;
    updateGeometry();
    update();
}

QFont ChipRow::chipFont() {
    return TextStyles::monospaced(TextStyles::scaledFont(10, QFont::Medium));
}

QColor ChipRow::textColor(const QColor& color, const QColor& window) {
    QColor fill = color;
    fill.setAlphaF(0.15f);
    return Contrast::legible(color, Contrast::over(fill, window));
}

int ChipRow::chipHeight() const {
    return QFontMetrics(chipFont()).height() + 2 * paddingY;
}

QList<int> ChipRow::fittedWidths(const QList<int>& naturalWidths, int available) {
    const auto count = naturalWidths.size();
    if (count == 0)
        return {};
    int remaining = available - spacing * static_cast<int>(count - 1);
    int natural = 0;
    for (int width : naturalWidths)
        natural += width;
    if (natural <= remaining)
        return naturalWidths;

    QList<qsizetype> order(count);
    for (qsizetype i = 0; i < count; ++i)
        order[i] = i;
    std::stable_sort(order.begin(), order.end(),
                     [&](qsizetype a, qsizetype b) { return naturalWidths[a] < naturalWidths[b]; });
    QList<int> widths(count, 0);
    for (qsizetype n = 0; n < count; ++n) {
        const qsizetype i = order[n];
        const int share = std::max(0, remaining) / static_cast<int>(count - n);
        widths[i] = std::min(naturalWidths[i], share);
        remaining -= widths[i];
    }
    return widths;
}

QSize ChipRow::sizeHint() const {
    const QFontMetrics metrics(chipFont());
    int width = 0;
    for (const PreviewChip& chip : m_chips)
        width += metrics.horizontalAdvance(chip.text) + 2 * paddingX + spacing;
    const qreal full = chipHeight() + gap;
    return {std::max(0, width - spacing),
            static_cast<int>(std::lround(std::max<qreal>(0, m_reveal) * full))};
}

QSize ChipRow::minimumSizeHint() const {
    return {0, sizeHint().height()};
}

void ChipRow::paintEvent(QPaintEvent*) {
    if (m_chips.isEmpty() || m_reveal <= 0)
        return;
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setOpacity(std::clamp<qreal>(m_reveal, 0, 1));
    painter.setFont(chipFont());

    const QFontMetrics metrics(chipFont());
    QList<int> natural;
    for (const PreviewChip& chip : m_chips)
        natural.append(metrics.horizontalAdvance(chip.text) + 2 * paddingX);
    const QList<int> widths = fittedWidths(natural, width());

    // The chips sit on the bottom of the growing row, so they rise out of the
    // field while the row opens.
    const qreal h = chipHeight();
    const qreal top = height() - (h + gap);
    qreal x = 0;
    for (qsizetype i = 0; i < m_chips.size(); ++i) {
        const PreviewChip& chip = m_chips[i];
        const QRectF rect(x, top, widths[i], h);
        QColor fill = chip.color;
        fill.setAlphaF(0.15f);
        QPainterPath capsule;
        capsule.addRoundedRect(rect, h / 2, h / 2);
        painter.fillPath(capsule, fill);
        painter.setPen(textColor(chip.color, palette().color(QPalette::Window)));
        const QRectF textRect = rect.adjusted(paddingX, paddingY, -paddingX, -paddingY);
        const QString text =
            metrics.elidedText(chip.text, Qt::ElideRight, static_cast<int>(textRect.width()));
        painter.drawText(textRect, Qt::AlignCenter | Qt::TextSingleLine, text);
        x += widths[i] + spacing;
    }
}

} // namespace Quello
