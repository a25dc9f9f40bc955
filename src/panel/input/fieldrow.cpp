#include "panel/input/fieldrow.h"

#include "panel/input/inputpreview.h"
#include "panel/style/symbolicon.h"
#include "panel/style/textstyles.h"

#include <QEvent>
#include <QHBoxLayout>
#include <QLineEdit>
#include <QPainter>
#include <QPainterPath>

#include <algorithm>

namespace Quello {

namespace {

constexpr int paddingX = 10;
constexpr int paddingY = 8;
constexpr int spacing = 8;
constexpr qreal radius = 8;

QColor blend(const QColor& from, const QColor& to, qreal t) {
    t = std::clamp<qreal>(t, 0, 1);
    const auto mix = [t](float a, float b) { return static_cast<float>(a + (b - a) * t); };
    return QColor::fromRgbF(mix(from.redF(), to.redF()), mix(from.greenF(), to.greenF()),
                            mix(from.blueF(), to.blueF()), mix(from.alphaF(), to.alphaF()));
}

} // namespace

FieldRow::FieldRow(QLineEdit* field, QWidget* parent)
    : QWidget(parent) {
    auto* layout = new QHBoxLayout(this);
    // The plus is painted in the space left of the field.
    layout->setContentsMargins(paddingX + iconSize + spacing, paddingY, paddingX, paddingY);
    layout->setSpacing(0);
    layout->addWidget(field);
    updateIcons();
}

void FieldRow::setTone(qreal tone) {
    if (tone == m_tone)
        return;
    m_tone = tone;
    update();
}

QColor FieldRow::borderColor() const {
    return blend(InputPreview::borderColor(false, TextStyles::primary(this)),
                 InputPreview::borderColor(true, TextStyles::primary(this)), m_tone);
}

QColor FieldRow::iconColor(bool parses) const {
    // The plus tells a valid line by its colour alone, so it keeps 3:1.
    return TextStyles::mark(InputPreview::iconColor(parses, TextStyles::secondary(this)),
                            palette());
}

QColor FieldRow::iconColor() const {
    return blend(iconColor(false), iconColor(true), m_tone);
}

void FieldRow::updateIcons() {
    const QString plus = QStringLiteral("plus");
    m_neutralIcon = SymbolIcon::tinted(plus, iconColor(false));
    m_activeIcon = SymbolIcon::tinted(plus, iconColor(true));
}

void FieldRow::changeEvent(QEvent* event) {
    if (event->type() == QEvent::PaletteChange || event->type() == QEvent::StyleChange)
        updateIcons();
    QWidget::changeEvent(event);
}

void FieldRow::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);

    const QRectF outer = QRectF(rect());
    QPainterPath background;
    background.addRoundedRect(outer, radius, radius);
    painter.fillPath(background, TextStyles::primary(this, 0.05));

    // A 1-pixel stroke inside the edge.
    painter.setPen(QPen(borderColor(), 1));
    painter.setBrush(Qt::NoBrush);
    painter.drawRoundedRect(outer.adjusted(0.5, 0.5, -0.5, -0.5), radius - 0.5, radius - 0.5);

    const QRect iconRect(paddingX, (height() - iconSize) / 2, iconSize, iconSize);
    const qreal t = std::clamp<qreal>(m_tone, 0, 1);
    if (t < 1) {
        painter.setOpacity(1 - t);
        m_neutralIcon.paint(&painter, iconRect);
    }
    if (t > 0) {
        painter.setOpacity(t);
        m_activeIcon.paint(&painter, iconRect);
    }
}

} // namespace Quello
