#include "model/recordtype.h"
#include "model/resolver.h"
#include "panel/rows/resolverdetails.h"
#include "panel/rows/watchrow.h"
#include "panel/style/accentcolors.h"
#include "panel/style/plainiconbutton.h"
#include "panel/style/symbolicon.h"
#include "panel/style/textstyles.h"
#include "store/digstore.h"

#include <QPainter>
#include <QPainterPath>
#include <QTextLayout>

#include <algorithm>
#include <cmath>

// How a watch row measures and paints itself, and where its hover remove
// button sits. The row's state and its input handling are in watchrow.cpp.

namespace Quello {

namespace {

constexpr int paddingX = 10;
constexpr int paddingY = 7;
constexpr int dotSpacing = 11;   // status dot to text
constexpr int textSpacing = 2;   // title line to second line
constexpr int titleSpacing = 6;  // domain to badge
constexpr int minimumSpacer = 8; // text to resolver dots
constexpr int resolverDotSpacing = 4;
constexpr int badgePaddingX = 4;
constexpr int badgePaddingY = 1;
constexpr int removeIconSize = 10;
constexpr int removePadding = 8;
// The hover remove button's corner: the resolver dots end where it begins,
// so it never covers them or takes their tooltips.
constexpr int removeSlot = removeIconSize + 2 * removePadding;
constexpr qreal cornerRadius = 8;
constexpr qreal focusRingWidth = 2;
constexpr int nominalWidth = 364; // the panel's 380 less the list's padding

int resolverDotsWidth() {
    const int count = static_cast<int>(Resolver::all().size());
    return count * static_cast<int>(DotPainter::miniDiameter) + (count - 1) * resolverDotSpacing;
}

QFont domainFont() {
    QFont font = TextStyles::callout();
    font.setWeight(QFont::Medium);
    return font;
}

QFont secondLineFont() {
    return TextStyles::monospaced(TextStyles::caption());
}

QSize badgeSize(RecordType type) {
    const QFontMetrics metrics(WatchRow::badgeFont());
    return {metrics.horizontalAdvance(rawValue(type)) + 2 * badgePaddingX,
            metrics.height() + 2 * badgePaddingY};
}

// The domain has no line limit: a name too long for the row wraps.
QStringList wrapDomain(const QString& domain, int width, int* usedWidth) {
    const QFontMetrics metrics(domainFont());
    width = std::max(width, 1);
    const int natural = metrics.horizontalAdvance(domain);
    if (natural <= width) {
        *usedWidth = natural;
        return {domain};
    }
    QTextLayout layout(domain, domainFont());
    QTextOption option;
    option.setWrapMode(QTextOption::WrapAtWordBoundaryOrAnywhere);
    layout.setTextOption(option);
    QStringList lines;
    qreal widest = 0;
    layout.beginLayout();
    for (QTextLine line = layout.createLine(); line.isValid(); line = layout.createLine()) {
        line.setLineWidth(width);
        lines.append(domain.mid(line.textStart(), line.textLength()));
        widest = std::max(widest, line.naturalTextWidth());
    }
    layout.endLayout();
    *usedWidth = static_cast<int>(std::ceil(widest));
    return lines;
}

} // namespace

QFont WatchRow::badgeFont() {
    return TextStyles::scaledFont(9, QFont::DemiBold);
}

const WatchRow::TopLayout& WatchRow::topLayout(int width) const {
    if (m_topLayout.width != width)
        m_topLayout = measureTop(m_watch, width);
    return m_topLayout;
}

int WatchRow::restingHeight(const DigStore& store, const Watch& watch, int width, bool expanded) {
    int height = 2 * paddingY + measureTop(watch, width).height;
    if (expanded)
        height += ResolverDetails(store, watch).heightForWidth(width - 2 * paddingX);
    return height;
}

WatchRow::TopLayout WatchRow::measureTop(const Watch& watch, int width) {
    TopLayout layout;
    layout.width = width;
    layout.textLeft = paddingX + static_cast<int>(DotPainter::statusFrame) + dotSpacing;
    const int textRight = width - removeSlot - resolverDotsWidth() - minimumSpacer;
    layout.textWidth = std::max(1, textRight - layout.textLeft);

    const QSize badge = badgeSize(watch.recordType);
    layout.domainLines =
        wrapDomain(domainTitle(watch.domain), layout.textWidth - titleSpacing - badge.width(),
                   &layout.domainWidth);
    const int domainHeight =
        QFontMetrics(domainFont()).height() * static_cast<int>(layout.domainLines.size());
    const int titleHeight = std::max(domainHeight, badge.height());
    const int blockHeight = titleHeight + textSpacing + QFontMetrics(secondLineFont()).height();
    layout.height = std::max({static_cast<int>(DotPainter::statusFrame), blockHeight,
                              static_cast<int>(DotPainter::miniDiameter)});
    return layout;
}

int WatchRow::detailsHeight(int width) const {
    if (m_detailsWidth != width) {
        m_detailsWidth = width;
        m_detailsHeight = ResolverDetails(m_store, m_watch).heightForWidth(width - 2 * paddingX);
    }
    return m_detailsHeight;
}

int WatchRow::fullHeight(int width) const {
    qreal height = 2 * paddingY + topLayout(width).height;
    if (m_detailsReveal > 0)
        height += m_detailsReveal * detailsHeight(width);
    return static_cast<int>(std::lround(std::max<qreal>(0, height * m_presence)));
}

int WatchRow::heightForWidth(int width) const {
    return fullHeight(width);
}

QSize WatchRow::sizeHint() const {
    // Measured at the width a row has in the panel, not the current one: the
    // layout keeps this figure, and a row not laid out yet is only 100 wide.
    return {nominalWidth, fullHeight(nominalWidth)};
}

QSize WatchRow::minimumSizeHint() const {
    return {120, 0};
}

QList<QRect> WatchRow::detailLineRects() const {
    const QRect details(paddingX, paddingY + topLayout(width()).height, width() - 2 * paddingX,
                        detailsHeight(width()));
    return ResolverDetails(m_store, m_watch).lineRects(details);
}

QRect WatchRow::labelRect() const {
    return {paddingX, paddingY, width() - 2 * paddingX, topLayout(width()).height};
}

QRectF WatchRow::resolverDotRect(int index) const {
    const qreal size = DotPainter::miniDiameter;
    const qreal left = width() - removeSlot - resolverDotsWidth();
    const qreal centreY = paddingY + topLayout(width()).height / 2.0;
    return {left + index * (size + resolverDotSpacing), centreY - size / 2, size, size};
}

void WatchRow::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setOpacity(std::clamp<qreal>(m_presence, 0, 1));
    const TopLayout& top = topLayout(width());
    const QColor secondary = TextStyles::secondary(this);

    if (m_hovering) {
        QPainterPath background;
        background.addRoundedRect(QRectF(rect()), cornerRadius, cornerRadius);
        painter.fillPath(background, TextStyles::primary(this, 0.06));
    }
    if (m_focusRing) {
        painter.setPen(QPen(TextStyles::mark(AccentColors::violet(), palette()), focusRingWidth));
        painter.setBrush(Qt::NoBrush);
        const qreal inset = focusRingWidth / 2;
        // On the resolver line the arrows moved to, or around the row.
        const QRectF ring = m_currentLine >= 0 && m_currentLine < ResolverDetails::lineCount()
                                ? QRectF(detailLineRects().at(m_currentLine)).adjusted(-4, -2, 0, 2)
                                : QRectF(rect());
        painter.drawRoundedRect(ring.adjusted(inset, inset, -inset, -inset), cornerRadius - inset,
                                cornerRadius - inset);
    }

    const qreal frame = DotPainter::statusFrame;
    const qreal centreY = paddingY + top.height / 2.0;
    DotPainter::paintStatusDot(painter, QRectF(paddingX, centreY - frame / 2, frame, frame),
                               statusDotLook(), palette());

    // Title line over the second line, centred as a block on the top line.
    const QFontMetrics domainMetrics(domainFont());
    const QFontMetrics secondMetrics(secondLineFont());
    const QSize badge = badgeSize(m_watch.recordType);
    const int domainHeight = domainMetrics.height() * static_cast<int>(top.domainLines.size());
    const int titleHeight = std::max(domainHeight, badge.height());
    const int blockHeight = titleHeight + textSpacing + secondMetrics.height();
    const int blockTop = paddingY + (top.height - blockHeight) / 2;

    painter.setFont(domainFont());
    painter.setPen(TextStyles::primary(this));
    int lineY = blockTop + (titleHeight - domainHeight) / 2;
    for (const QString& line : top.domainLines) {
        painter.drawText(QRect(top.textLeft, lineY, top.textWidth, domainMetrics.height()),
                         Qt::AlignLeft | Qt::AlignVCenter | Qt::TextSingleLine, line);
        lineY += domainMetrics.height();
    }

    const QRectF badgeRect(top.textLeft + top.domainWidth + titleSpacing,
                           blockTop + (titleHeight - badge.height()) / 2.0, badge.width(),
                           badge.height());
    QPainterPath capsule;
    capsule.addRoundedRect(badgeRect, badgeRect.height() / 2, badgeRect.height() / 2);
    painter.fillPath(capsule, TextStyles::primary(this, 0.08));
    painter.setFont(badgeFont());
    painter.setPen(secondary);
    painter.drawText(badgeRect, Qt::AlignCenter | Qt::TextSingleLine, rawValue(m_watch.recordType));

    painter.setFont(secondLineFont());
    painter.drawText(QRect(top.textLeft, blockTop + titleHeight + textSpacing, top.textWidth,
                           secondMetrics.height()),
                     Qt::AlignLeft | Qt::AlignVCenter | Qt::TextSingleLine,
                     secondMetrics.elidedText(secondLine(), Qt::ElideRight, top.textWidth));

    const auto& resolvers = Resolver::all();
    for (std::size_t i = 0; i < resolvers.size(); ++i) {
        DotPainter::paintMiniDot(painter, resolverDotRect(static_cast<int>(i)),
                                 m_store.status(m_watch, resolvers[i]), palette());
    }

    if (m_detailsReveal > 0) {
        const int detailsTop = paddingY + top.height;
        const QRect details(paddingX, detailsTop, width() - 2 * paddingX, detailsHeight(width()));
        painter.save();
        painter.setClipRect(QRect(0, detailsTop, width(), height() - detailsTop - paddingY));
        painter.setOpacity(painter.opacity() * std::clamp<qreal>(m_detailsReveal, 0, 1));
        ResolverDetails(m_store, m_watch).paint(painter, details, palette());
        painter.restore();
    }
}

void WatchRow::resizeEvent(QResizeEvent* event) {
    QWidget::resizeEvent(event);
    placeRemoveButton();
}

void WatchRow::placeRemoveButton() {
    if (m_removeButton)
        m_removeButton->move(width() - m_removeButton->width(), 0);
}

void WatchRow::setHovering(bool hovering) {
    if (hovering == m_hovering)
        return;
    m_hovering = hovering;
    if (hovering && !m_removeButton) {
        m_removeButton = new PlainIconButton(
            SymbolIcon::tinted(QStringLiteral("trash"), TextStyles::secondary(this)),
            removeIconSize, removePadding, this);
        m_removeButton->setToolTip(tr("Remove watch"));
        connect(m_removeButton, &QAbstractButton::clicked, this, &WatchRow::remove);
        placeRemoveButton();
    }
    if (m_removeButton)
        m_removeButton->setVisible(hovering);
    update();
}

void WatchRow::changeEvent(QEvent* event) {
    if (event->type() == QEvent::PaletteChange && m_removeButton) {
        m_removeButton->setIcon(
            SymbolIcon::tinted(QStringLiteral("trash"), TextStyles::secondary(this)));
    }
    if (event->type() == QEvent::FontChange || event->type() == QEvent::StyleChange) {
        m_topLayout.width = -1;
        m_detailsWidth = -1;
        updateGeometry();
    }
    QWidget::changeEvent(event);
}

} // namespace Quello
