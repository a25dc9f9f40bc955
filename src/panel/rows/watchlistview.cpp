#include "panel/rows/watchlistview.h"

#include "panel/rows/emptystateview.h"
#include "panel/rows/listedgefade.h"
#include "panel/rows/overlayscrollbar.h"
#include "panel/rows/watchrow.h"
#include "panel/rows/watchrowaccessible.h"
#include "store/digstore.h"

#include <QEvent>
#include <QScrollBar>

#include <algorithm>
#include <cmath>

namespace Quello {

namespace {

// The panel's width: what the list measures with before it is laid out.
constexpr int nominalWidth = 380;

} // namespace

WatchListView::WatchListView(DigStore& store, QWidget* parent)
    : QScrollArea(parent)
    , m_store(store)
    , m_content(new QWidget(this))
    , m_emptyState(new EmptyStateView(m_content))
    , m_scrollBar(new OverlayScrollBar(verticalScrollBar(), this))
    , m_topFade(new ListEdgeFade(true, this))
    , m_bottomFade(new ListEdgeFade(false, this)) {
    setFrameShape(QFrame::NoFrame);
    setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    // The area's own bar would take width and move the rows' contents left
    // when the list overflows; the overlay bar mirrors it instead.
    setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    setSizePolicy(QSizePolicy::Preferred, QSizePolicy::Fixed);
    setFocusPolicy(Qt::NoFocus);
    // The panel's background shows through.
    viewport()->setAutoFillBackground(false);

    for (const Watch& watch : store.watches())
        m_entries.append(Entry{.id = watch.id, .row = {}});
    if (!m_entries.isEmpty())
        m_current = m_entries.constFirst().id;
    setWidget(m_content);
    // Only after setWidget(), which turns it on.
    m_content->setAutoFillBackground(false);
    m_content->installEventFilter(this);

    connect(&store, &DigStore::watchAdded, this, &WatchListView::watchAdded);
    connect(&store, &DigStore::watchRemoved, this, &WatchListView::watchRemoved);
    m_countdown.setInterval(std::chrono::seconds{1});
    connect(&m_countdown, &QTimer::timeout, this, [this] {
        for (const Entry& entry : std::as_const(m_entries)) {
            if (entry.row && !entry.leaving && entry.row->isCountingDown())
                entry.row->tick();
        }
    });
    connect(&store, &DigStore::watchUpdated, this, &WatchListView::refreshRow);
    connect(&store, &DigStore::resultsChanged, this, &WatchListView::refreshRow);
    connect(&store, &DigStore::checkingChanged, this, &WatchListView::refreshRow);
    relayout();
}

WatchListView::~WatchListView() {
    // The rows go while their entries still exist: a leaving row looks for
    // its entry when it is destroyed.
    delete takeWidget();
}

int WatchListView::areaHeight(double contentHeight) {
    if (contentHeight <= 1)
        return 1;
    if (contentHeight > maximumListHeight)
        return maximumListHeight;
    return static_cast<int>(std::ceil(contentHeight));
}

QList<WatchRow*> WatchListView::rows() const {
    QList<WatchRow*> rows;
    for (const Entry& entry : m_entries) {
        if (entry.row && !entry.leaving)
            rows.append(entry.row);
    }
    return rows;
}

WatchRow* WatchListView::row(const QUuid& id) const {
    const int index = indexOf(id);
    return index >= 0 && !m_entries[index].leaving ? m_entries[index].row.data() : nullptr;
}

int WatchListView::indexOf(const QUuid& id) const {
    for (qsizetype i = 0; i < m_entries.size(); ++i) {
        if (m_entries[i].id == id)
            return static_cast<int>(i);
    }
    return -1;
}

int WatchListView::rowWidth() const {
    const bool laidOut = isVisible() || testAttribute(Qt::WA_Resized);
    return std::max(1, (laidOut ? viewport()->width() : nominalWidth) - 2 * contentPadding);
}

int WatchListView::entryHeight(Entry& entry, int width) {
    if (entry.row)
        return entry.row->heightForWidth(width);
    if (entry.restingWidth != width) {
        const Watch* watch = m_store.watch(entry.id);
        entry.restingHeight =
            watch != nullptr ? WatchRow::restingHeight(m_store, *watch, width, entry.expanded) : 0;
        entry.restingWidth = width;
    }
    return entry.restingHeight;
}

WatchRow* WatchListView::build(Entry& entry) {
    const Watch* watch = m_store.watch(entry.id);
    if (watch == nullptr)
        return nullptr;
    auto* row = new WatchRow(m_store, *watch, m_content, entry.expanded);
    WatchRowAccessible::follow(row);
    const QUuid id = entry.id;
    connect(row, &WatchRow::expandedChanged, this, [this, id](bool expanded) {
        if (const int index = indexOf(id); index >= 0) {
            m_entries[index].expanded = expanded;
            m_entries[index].restingWidth = -1;
        }
        scheduleRelayout();
    });
    connect(row, &WatchRow::stepRequested, this, [this, row](int step) { moveFocus(row, step); });
    connect(row, &WatchRow::focusReceived, this, [this, id] { m_current = id; });
    row->show();
    entry.row = row;
    return row;
}

bool WatchListView::keepsItsRow(const Entry& entry) const {
    // Rows still moving, under the pointer or holding the keyboard stay.
    const WatchRow* row = entry.row;
    return row != nullptr
           && (entry.leaving || row->hasFocus() || row->isHovering()
               || row->detailsReveal() != (entry.expanded ? 1.0 : 0.0));
}

void WatchListView::watchAdded(const QUuid& id) {
    if (indexOf(id) >= 0)
        return;
    m_entries.append(Entry{.id = id, .row = {}});
    if (m_current.isNull())
        m_current = id;
    relayout();
}

void WatchListView::watchRemoved(const QUuid& id) {
    const int index = indexOf(id);
    if (index < 0 || m_entries[index].leaving)
        return;
    Entry& entry = m_entries[index];
    const bool hadFocus = entry.row && entry.row->hasFocus();
    const bool last = std::none_of(m_entries.cbegin(), m_entries.cend(), [&](const Entry& other) {
        return !other.leaving && other.id != id;
    });
    if (m_current == id) {
        const int next = index + 1 < m_entries.size() ? index + 1 : index - 1;
        m_current = last || next < 0 ? QUuid() : m_entries[next].id;
    }
    if (last) {
        // The empty state takes over at once; rows still leaving go with it.
        for (Entry& leaving : m_entries) {
            if (leaving.row) {
                leaving.row->hide();
                leaving.row->deleteLater();
            }
        }
        m_entries.clear();
    } else if (WatchRow* row = entry.row) {
        entry.leaving = true;
        connect(row, &QObject::destroyed, this, [this, id] {
            m_entries.removeIf([&](const Entry& gone) { return gone.leaving && gone.id == id; });
            scheduleRelayout();
        });
        row->leaveList();
    } else {
        m_entries.removeAt(index);
    }
    relayout();
    // The keyboard stays in the list, on the row that took the removed one's place.
    if (WatchRow* next = hadFocus ? currentRow() : nullptr)
        next->setFocus(Qt::OtherFocusReason);
}

void WatchListView::refreshRow(const QUuid& id) {
    const int index = indexOf(id);
    if (index < 0 || m_entries[index].leaving)
        return;
    Entry& entry = m_entries[index];
    if (entry.row) {
        entry.row->refresh();
    } else if (entry.expanded) {
        // Open details follow the answers in their height.
        entry.restingWidth = -1;
        scheduleRelayout();
    }
}

bool WatchListView::moveFocus(const WatchRow* from, int step) {
    int index = -1;
    for (qsizetype i = 0; i < m_entries.size(); ++i) {
        if (m_entries[i].row == from)
            index = static_cast<int>(i);
    }
    do {
        index += step;
    } while (index >= 0 && index < m_entries.size() && m_entries[index].leaving);
    if (index < 0 || index >= m_entries.size())
        return false;
    m_current = m_entries[index].id;
    WatchRow* row = m_entries[index].row ? m_entries[index].row.data() : build(m_entries[index]);
    relayout();
    if (row == nullptr)
        return false;
    ensureVisible(0, m_entries[index].top, 0, 0);
    ensureVisible(0, m_entries[index].top + row->height(), 0, 0);
    row->setFocus(Qt::OtherFocusReason);
    return true;
}

void WatchListView::scheduleRelayout() {
    if (m_relayoutPending)
        return;
    m_relayoutPending = true;
    QMetaObject::invokeMethod(this, &WatchListView::relayout, Qt::QueuedConnection);
}

void WatchListView::relayout() {
    m_relayoutPending = false;
    if (m_inRelayout) {
        scheduleRelayout();
        return;
    }
    m_inRelayout = true;
    const int width = rowWidth();
    int y = contentPadding;
    for (Entry& entry : m_entries) {
        entry.top = y;
        y += entryHeight(entry, width) + rowSpacing;
    }
    double height = y - rowSpacing + contentPadding;
    m_emptyState->setVisible(m_entries.isEmpty());
    if (m_entries.isEmpty()) {
        const int empty = m_emptyState->heightForWidth(width);
        m_emptyState->setGeometry(contentPadding, contentPadding, width, empty);
        height = empty + 2 * contentPadding;
    }

    // A screen's worth above and below the visible part is built as well.
    const int reach = std::max(viewport()->height(), maximumListHeight);
    const int windowTop = verticalScrollBar()->value() - reach;
    const int windowBottom = verticalScrollBar()->value() + 2 * reach;
    for (Entry& entry : m_entries) {
        const int rowHeight = entryHeight(entry, width);
        const bool inWindow = entry.top < windowBottom && entry.top + rowHeight > windowTop;
        if (inWindow || entry.id == m_current || keepsItsRow(entry)) {
            if (entry.row || (!entry.leaving && build(entry)))
                entry.row->setGeometry(contentPadding, entry.top, width, rowHeight);
        } else if (entry.row) {
            entry.row->hide();
            entry.row->deleteLater();
            entry.row = nullptr;
        }
    }
    m_content->resize(width + 2 * contentPadding, static_cast<int>(std::ceil(height)));

    // Measured once shown, as the layout of a shown list is what counts.
    if (isVisible() && height != m_contentHeight) {
        const int before = areaHeight(m_contentHeight);
        m_contentHeight = height;
        if (areaHeight(height) != before)
            updateGeometry();
        Q_EMIT listContentHeightChanged(height);
    }
    placeOverlays();
    m_inRelayout = false;
}

void WatchListView::placeOverlays() {
    const QRect area = viewport()->geometry();
    m_scrollBar->setGeometry(area.right() + 1 - OverlayScrollBar::barWidth, area.top(),
                             OverlayScrollBar::barWidth, area.height());
    const int fade = std::min(ListEdgeFade::fadeHeight, area.height() / 4);
    m_topFade->setGeometry(area.left(), area.top(), area.width(), fade);
    m_bottomFade->setGeometry(area.left(), area.bottom() + 1 - fade, area.width(), fade);
    const QScrollBar* bar = verticalScrollBar();
    m_topFade->setVisible(bar->value() > bar->minimum());
    m_bottomFade->setVisible(bar->value() < bar->maximum());
    m_topFade->raise();
    m_bottomFade->raise();
    m_scrollBar->raise();
}

bool WatchListView::eventFilter(QObject* watched, QEvent* event) {
    // A row asks for another height while it opens, closes or leaves.
    if (watched == m_content && event->type() == QEvent::LayoutRequest)
        relayout();
    return QScrollArea::eventFilter(watched, event);
}

void WatchListView::showEvent(QShowEvent* event) {
    QScrollArea::showEvent(event);
    relayout();
    m_countdown.start();
}

void WatchListView::hideEvent(QHideEvent* event) {
    QScrollArea::hideEvent(event);
    m_countdown.stop();
}

void WatchListView::resizeEvent(QResizeEvent* event) {
    QScrollArea::resizeEvent(event);
    relayout();
}

void WatchListView::scrollContentsBy(int dx, int dy) {
    QScrollArea::scrollContentsBy(dx, dy);
    relayout();
}

void WatchListView::enterEvent(QEnterEvent* event) {
    QScrollArea::enterEvent(event);
    // The pointer over a long list shows where it stands.
    m_scrollBar->flash();
}

QSize WatchListView::sizeHint() const {
    return {QScrollArea::sizeHint().width(), areaHeight(m_contentHeight)};
}

QSize WatchListView::minimumSizeHint() const {
    return {QScrollArea::minimumSizeHint().width(), areaHeight(m_contentHeight)};
}

} // namespace Quello
