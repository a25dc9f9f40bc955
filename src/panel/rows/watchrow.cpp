#include "panel/rows/watchrow.h"

#include "model/acename.h"
#include "model/recordtype.h"
#include "model/resolver.h"
#include "panel/motion/springanimation.h"
#include "panel/rows/resolverdetails.h"
#include "panel/speech/menuaccessibility.h"
#include "store/digstore.h"
#include "store/sourcetext.h"
#include "store/statustext.h"

#include <QAccessible>
#include <QClipboard>
#include <QContextMenuEvent>
#include <QGuiApplication>
#include <QHelpEvent>
#include <QKeyEvent>
#include <QMenu>
#include <QPropertyAnimation>
#include <QToolTip>

#include <algorithm>

// The row's state, its actions and its answers to mouse, keyboard and focus.
// How it measures and paints itself is in watchrowlayout.cpp.

namespace Quello {

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

namespace {

// What keeps a pending watch from settling when the caches are not to blame
// (the source's words); empty otherwise.
QString sourceBlocker(const DigStore& store, const Watch& watch) {
    if (watch.settledAt)
        return {};
    return SourceText::blocker(watch, store.source().entry(watch.id),
                               store.results().value(watch.id));
}

// When the last lagging cache of a pending watch lets go: "about 3 min".
std::optional<QString> etaText(const DigStore& store, const Watch& watch) {
    if (watch.settledAt)
        return std::nullopt;
    const std::optional<Instant> eta = store.etaOf(watch);
    if (!eta)
        return std::nullopt;
    return StatusText::eta(*eta, store.now());
}

} // namespace

QString WatchRow::secondLine(const DigStore& store, const Watch& watch) {
    // When the zone's servers, not the caches, are what is missing, that is
    // said in place of what the row waits for.
    const QString blocker = sourceBlocker(store, watch);
    QString line;
    if (const std::optional<QString> consensus = store.consensusValue(watch)) {
        line = *consensus;
        if (watch.expected && !watch.settledAt && blocker.isEmpty())
            line += QStringLiteral(" \u00B7 waiting for ") + *watch.expected;
    } else {
        line = noValueWord(store, watch);
    }
    if (!blocker.isEmpty())
        line += QStringLiteral(" \u00B7 ") + blocker;
    if (const std::optional<QString> eta = etaText(store, watch))
        line += QStringLiteral(" \u00B7 ") + *eta;
    return line;
}

QString WatchRow::noValueWord(const DigStore& store, const Watch& watch) {
    return store.isChecking().contains(watch.id) ? tr("checking\u2026") : tr("no answer yet");
}

QString WatchRow::domainTitle(const QString& domain) {
    // Shown beside the ACE name, never instead: the name asked for stays in
    // sight, and a look-alike letter cannot pass for another.
    if (const std::optional<QString> unicode = AceName::toUnicode(domain))
        return tr("%1 (%2)").arg(domain, *unicode);
    return domain;
}

QString WatchRow::accessibilitySummary(const DigStore& store, const Watch& watch) {
    QString summary =
        tr("%1, %2 record").arg(domainTitle(watch.domain), rawValue(watch.recordType));
    if (const std::optional<QString> consensus = store.consensusValue(watch))
        summary += tr(", current value %1").arg(*consensus);
    if (watch.expected)
        summary += tr(", waiting for %1").arg(*watch.expected);
    if (const QString blocker = sourceBlocker(store, watch); !blocker.isEmpty())
        summary += QStringLiteral(", ") + blocker;
    if (const std::optional<QString> eta = etaText(store, watch))
        summary += QStringLiteral(", ") + *eta;
    return summary;
}

bool WatchRow::isCountingDown() const {
    if (m_watch.settledAt)
        return false;
    return std::any_of(Resolver::all().cbegin(), Resolver::all().cend(), [&](const Resolver& r) {
        return m_store.isLagging(m_watch, r) && m_store.expiryOf(m_watch, r);
    });
}

void WatchRow::tick() {
    // The words move on with the clock; what they say to assistive technology
    // is read when asked, so no event is sent for each second.
    remeasure();
}

void WatchRow::remeasure() {
    // The top line depends on the domain, the type, the width and the fonts
    // only (changeEvent sees to the fonts); the details follow the answers.
    const int before = width() > 0 ? heightForWidth(width()) : -1;
    m_detailsWidth = -1;
    if (width() <= 0 || heightForWidth(width()) != before)
        updateGeometry();
    update();
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
    if (!expanded)
        setCurrentLine(-1);
    SpringAnimation::animate(SpringEasing::row(), this, "detailsReveal", expanded ? 1.0 : 0.0);
    if (QAccessible::isActive())
        Q_EMIT accessibleExpandedChanged();
    Q_EMIT expandedChanged(expanded);
}

void WatchRow::refresh() {
    if (const Watch* current = m_store.watch(m_watch.id))
        m_watch = *current;
    remeasure();
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
    MenuAccessibility::prepare(menu, m_watch.domain);
    menu->setAttribute(Qt::WA_DeleteOnClose);
    menu->popup(globalPos);
}

bool WatchRow::moveInDetails(int key) {
    const int lines = m_expanded ? ResolverDetails::lineCount() : 0;
    if (key == Qt::Key_Escape && m_currentLine >= 0)
        setCurrentLine(-1);
    else if (key == Qt::Key_Down && m_currentLine + 1 < lines)
        setCurrentLine(m_currentLine + 1);
    else if (key == Qt::Key_Up && m_currentLine >= 0)
        setCurrentLine(m_currentLine - 1);
    else
        return false;
    return true;
}

void WatchRow::setCurrentLine(int line) {
    if (line == m_currentLine)
        return;
    m_currentLine = line;
    m_enteredByTab = false; // the hint was heard on the way in
    update();
    if (QAccessible::isActive() && hasFocus())
        Q_EMIT accessibleLineChanged(line);
}

void WatchRow::keyPressEvent(QKeyEvent* event) {
    const bool plain = (event->modifiers() & ~Qt::KeypadModifier) == Qt::NoModifier;
    if (plain && moveInDetails(event->key())) {
        event->accept();
        return;
    }
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
    if (event->reason() != Qt::PopupFocusReason) {
        m_focusRing = event->reason() != Qt::MouseFocusReason;
        m_enteredByTab =
            event->reason() == Qt::TabFocusReason || event->reason() == Qt::BacktabFocusReason;
    }
    update();
    Q_EMIT focusReceived();
}

void WatchRow::focusOutEvent(QFocusEvent* event) {
    QWidget::focusOutEvent(event);
    // A menu opened from the row keeps the ring on the row it acts on.
    if (event->reason() != Qt::PopupFocusReason) {
        m_focusRing = false;
        m_currentLine = -1;
    }
    update();
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
