#include "panel/rows/watchrow.h"

#include "model/recordtype.h"
#include "model/resolver.h"
#include "panel/motion/springanimation.h"
#include "panel/rows/resolverdetails.h"
#include "panel/style/accentcolors.h"
#include "panel/style/plainiconbutton.h"
#include "panel/style/symbolicon.h"
#include "panel/style/textstyles.h"
#include "store/digstore.h"

#include <QAccessible>
#include <QClipboard>
#include <QContextMenuEvent>
#include <QGuiApplication>
#include <QHelpEvent>
#include <QKeyEvent>
#include <QMenu>
#include <QPainter>
#include <QPainterPath>
#include <QPropertyAnimation>
#include <QTextLayout>
#include <QToolTip>

#include <algorithm>
#include <cmath>

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

WatchRow::WatchRow(DigStore& store, const Watch& watch, QWidget* parent, bool expanded)
    : QWidget(parent)
    , m_store(store)
    , m_watch(watch)
    , m_expanded(expanded)
    , m_detailsReveal(expanded ? 1 : 0) {
    QSizePolicy policy(QSizePolicy::Preferred, QSizePolicy::Fixed);
    policy.setHeightForWidth(true);
    setSizePolicy(policy);
    setMouseTracking(true);
    // The panel leads Tab to the list's current row only; arrows move on.
    setFocusPolicy(Qt::StrongFocus);
}

QString WatchRow::secondLine(const DigStore& store, const Watch& watch) {
    if (const std::optional<QString> consensus = store.consensusValue(watch)) {
        if (watch.expected && !watch.settledAt)
            return *consensus + QStringLiteral(" \u00B7 waiting for ") + *watch.expected;
        return *consensus;
    }
    if (store.isChecking().contains(watch.id))
        return tr("checking\u2026");
    return tr("no answer yet");
}

QString WatchRow::accessibilitySummary(const DigStore& store, const Watch& watch) {
    QString summary = tr("%1, %2 record").arg(watch.domain, rawValue(watch.recordType));
    if (const std::optional<QString> consensus = store.consensusValue(watch))
        summary += tr(", current value %1").arg(*consensus);
    if (watch.expected)
        summary += tr(", waiting for %1").arg(*watch.expected);
    return summary;
}

StatusDotLook WatchRow::statusDotLook(const DigStore& store, const Watch& watch) {
    // The saved settled state decides, not a fresh look at the answers.
    if (watch.settledAt)
        return StatusDotLook::Settled;
    if (store.results().contains(watch.id))
        return StatusDotLook::Unsettled;
    return StatusDotLook::Unchecked;
}

void WatchRow::setExpanded(bool expanded) {
    if (expanded == m_expanded)
        return;
    m_expanded = expanded;
    SpringAnimation::animate(SpringEasing::row(), this, "detailsReveal", expanded ? 1.0 : 0.0);
    if (QAccessible::isActive())
        Q_EMIT accessibleExpandedChanged();
    Q_EMIT expandedChanged(expanded);
}

void WatchRow::refresh() {
    if (const Watch* current = m_store.watch(m_watch.id))
        m_watch = *current;
    const int before = width() > 0 ? heightForWidth(width()) : -1;
    m_topLayout.width = -1;
    m_detailsWidth = -1;
    if (width() <= 0 || heightForWidth(width()) != before)
        updateGeometry();
    update();
    notifyAccessibility();
}

void WatchRow::notifyAccessibility() {
    if (QAccessible::isActive())
        Q_EMIT accessibleTextChanged();
}

void WatchRow::checkNow() {
    m_store.check(m_watch.id);
}

void WatchRow::remove() {
    if (m_leaving)
        return;
    m_removalRequested = true;
    m_store.remove(m_watch.id);
}

void WatchRow::leaveList() {
    if (m_leaving)
        return;
    m_leaving = true;
    setAttribute(Qt::WA_TransparentForMouseEvents);
    setHovering(false);
    if (m_removalRequested) {
        if (QPropertyAnimation* animation =
                SpringAnimation::animate(SpringEasing::row(), this, "presence", 0.0)) {
            connect(animation, &QAbstractAnimation::finished, this, &QObject::deleteLater);
            return;
        }
    }
    hide();
    deleteLater();
}

QMenu* WatchRow::createContextMenu(QWidget* parent) {
    auto* menu = new QMenu(parent);
    menu->addAction(tr("Check Now"), this, &WatchRow::checkNow);
    // The value is taken now: the menu copies what it showed it would copy.
    if (const std::optional<QString> value = m_store.consensusValue(m_watch)) {
        menu->addAction(tr("Copy Value"), this,
                        [copied = *value] { QGuiApplication::clipboard()->setText(copied); });
    }
    menu->addAction(tr("Remove"), this, &WatchRow::remove);
    return menu;
}

void WatchRow::setDetailsReveal(qreal reveal) {
    if (reveal == m_detailsReveal)
        return;
    m_detailsReveal = reveal;
    updateGeometry();
    update();
}

void WatchRow::setPresence(qreal presence) {
    if (presence == m_presence)
        return;
    m_presence = presence;
    updateGeometry();
    update();
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
    layout.domainLines = wrapDomain(watch.domain, layout.textWidth - titleSpacing - badge.width(),
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
        painter.drawRoundedRect(QRectF(rect()).adjusted(inset, inset, -inset, -inset),
                                cornerRadius - inset, cornerRadius - inset);
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

void WatchRow::enterEvent(QEnterEvent* event) {
    QWidget::enterEvent(event);
    if (!m_leaving)
        setHovering(true);
}

void WatchRow::leaveEvent(QEvent* event) {
    QWidget::leaveEvent(event);
    setHovering(false);
}

void WatchRow::mousePressEvent(QMouseEvent* event) {
    m_pressed =
        event->button() == Qt::LeftButton && labelRect().contains(event->position().toPoint());
    if (!m_pressed)
        QWidget::mousePressEvent(event);
}

void WatchRow::mouseReleaseEvent(QMouseEvent* event) {
    const bool click = m_pressed && event->button() == Qt::LeftButton
                       && labelRect().contains(event->position().toPoint());
    m_pressed = false;
    if (click)
        toggleExpanded();
    else
        QWidget::mouseReleaseEvent(event);
}

void WatchRow::contextMenuEvent(QContextMenuEvent* event) {
    openContextMenu(event->reason() == QContextMenuEvent::Keyboard
                        ? mapToGlobal(labelRect().bottomLeft())
                        : event->globalPos());
}

void WatchRow::openContextMenu(const QPoint& globalPos) {
    QMenu* menu = createContextMenu(this);
    menu->setAttribute(Qt::WA_DeleteOnClose);
    menu->popup(globalPos);
}

void WatchRow::keyPressEvent(QKeyEvent* event) {
    const bool plain = (event->modifiers() & ~Qt::KeypadModifier) == Qt::NoModifier;
    switch (event->key()) {
    case Qt::Key_Up:
    case Qt::Key_Down:
        if (plain)
            Q_EMIT stepRequested(event->key() == Qt::Key_Up ? -1 : 1);
        break;
    case Qt::Key_Return:
    case Qt::Key_Enter:
    case Qt::Key_Space:
        if (plain)
            toggleExpanded();
        break;
    case Qt::Key_Menu:
        openContextMenu(mapToGlobal(labelRect().bottomLeft()));
        break;
    case Qt::Key_F10:
        if (event->modifiers() == Qt::ShiftModifier) {
            openContextMenu(mapToGlobal(labelRect().bottomLeft()));
            break;
        }
        [[fallthrough]];
    default:
        QWidget::keyPressEvent(event);
        return;
    }
    event->accept();
}

void WatchRow::focusInEvent(QFocusEvent* event) {
    QWidget::focusInEvent(event);
    if (event->reason() != Qt::PopupFocusReason)
        m_focusRing = event->reason() != Qt::MouseFocusReason;
    update();
    Q_EMIT focusReceived();
}

void WatchRow::focusOutEvent(QFocusEvent* event) {
    QWidget::focusOutEvent(event);
    // A menu opened from the row keeps the ring on the row it acts on.
    if (event->reason() != Qt::PopupFocusReason)
        m_focusRing = false;
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

bool WatchRow::event(QEvent* event) {
    if (event->type() == QEvent::ToolTip) {
        const auto* help = static_cast<QHelpEvent*>(event);
        const auto& resolvers = Resolver::all();
        for (std::size_t i = 0; i < resolvers.size(); ++i) {
            // A little slack around the 5-point dots makes them easier to hit.
            const QRectF target = resolverDotRect(static_cast<int>(i)).adjusted(-2, -4, 2, 4);
            if (target.contains(help->pos())) {
                QToolTip::showText(help->globalPos(), resolvers[i].name, this,
                                   target.toAlignedRect());
                return true;
            }
        }
        QToolTip::hideText();
        event->ignore();
        return true;
    }
    return QWidget::event(event);
}

} // namespace Quello
