#include "panel/rows/resolverlineaccessible.h"

#include "model/resolver.h"
#include "panel/rows/resolverdetails.h"
#include "panel/rows/watchrow.h"

#include <QWidget>
#include <QWindow>

namespace Quello {

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
    const Resolver& resolver = Resolver::all().at(static_cast<std::size_t>(m_index));
    QString answer = ResolverDetails::resolverText(m_row->store(), m_row->watch(), resolver);
    // Read aloud, the ellipsis of a missing answer says nothing.
    if (answer == QStringLiteral("\u2026"))
        answer = WatchRow::tr("no answer yet");
    return resolver.name + QStringLiteral(", ") + answer;
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
    return state;
}

} // namespace Quello
