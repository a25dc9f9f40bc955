#include "panel/rows/resolverlineaccessible.h"

#include "model/resolver.h"
#include "panel/rows/resolverdetails.h"
#include "panel/rows/watchrow.h"
#include "store/digstore.h"

#include <QCoreApplication>
#include <QWidget>
#include <QWindow>

namespace Quello {

namespace {

// "agrees", "disagrees" or "waiting": how the resolver of a line with this
// dot stands.
QString statusWord(ResolverStatus dot, const DigStore& store, const Watch& watch,
                   const Resolver& resolver) {
    if (dot == ResolverStatus::Waiting)
        return QCoreApplication::translate("Quello::ResolverDetails", "waiting");
    // Without an expected value, a resolver that answers differently from
    // the others (or from the zone's servers) holds the watch back as much as
    // one that fails.
    if (store.isLagging(watch, resolver))
        return QCoreApplication::translate("Quello::ResolverDetails", "disagrees");
    return QCoreApplication::translate("Quello::ResolverDetails", "agrees");
}

} // namespace

ResolverLineAccessible::ResolverLineAccessible(WatchRow* row, int index)
    : m_row(row)
    , m_index(index) {}

bool ResolverLineAccessible::isValid() const {
    return !m_row.isNull() && m_row->isExpanded();
}

QWindow* ResolverLineAccessible::window() const {
    return m_row ? m_row->window()->windowHandle() : nullptr;
}

QAccessibleInterface* ResolverLineAccessible::parent() const {
    return QAccessible::queryAccessibleInterface(m_row.data());
}

QString ResolverLineAccessible::text(QAccessible::Text t) const {
    if (m_row.isNull() || t != QAccessible::Name)
        return {};
    const ResolverDetails::Line line =
        ResolverDetails::line(m_row->store(), m_row->watch(), m_index);
    QString answer = line.text;
    // Read aloud, the ellipsis of a missing answer says nothing.
    if (answer == QStringLiteral("\u2026"))
        answer = WatchRow::tr("no answer yet");
    if (m_index == 0)
        return line.name + QStringLiteral(", ") + answer;
    // The dot's colour in words: which resolver lags is the point.
    const Resolver& resolver = Resolver::all().at(static_cast<std::size_t>(m_index - 1));
    return line.name + QStringLiteral(", ") + answer + QStringLiteral(", ")
           + statusWord(line.dot, m_row->store(), m_row->watch(), resolver);
}

QRect ResolverLineAccessible::rect() const {
    if (m_row.isNull())
        return {};
    const QList<QRect> lines = m_row->detailLineRects();
    if (m_index >= lines.size())
        return {};
    const QRect line = lines.at(m_index);
    return {m_row->mapToGlobal(line.topLeft()), line.size()};
}

QAccessible::State ResolverLineAccessible::state() const {
    QAccessible::State state;
    state.readOnly = true;
    state.invisible = m_row.isNull() || !m_row->isVisible();
    // The arrows reach it from its row (see WatchRow::currentLine()).
    state.focusable = true;
    state.focused = !m_row.isNull() && m_row->hasFocus() && m_row->currentLine() == m_index;
    return state;
}

} // namespace Quello
