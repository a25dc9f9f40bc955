#include "panel/watchlistview.h"

#include "panel/emptystateview.h"
#include "panel/watchrow.h"
#include "store/digstore.h"

#include <QEvent>
#include <QScrollBar>
#include <QVBoxLayout>

#include <cmath>

namespace Quello {

WatchListView::WatchListView(DigStore& store, QWidget* parent)
    : QScrollArea(parent)
    , m_store(store)
    , m_content(new QWidget(this))
    , m_layout(new QVBoxLayout(m_content))
    , m_emptyState(new EmptyStateView(m_content)) {
    setFrameShape(QFrame::NoFrame);
    setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    setVerticalScrollBarPolicy(Qt::ScrollBarAsNeeded);
    setSizePolicy(QSizePolicy::Preferred, QSizePolicy::Fixed);
    setWidgetResizable(true);
    // The panel's background shows through.
    viewport()->setAutoFillBackground(false);

    m_layout->setContentsMargins(contentPadding, contentPadding, contentPadding, contentPadding);
    m_layout->setSpacing(rowSpacing);
    m_layout->addWidget(m_emptyState);
    // Keeps the rows at the top while the area waits for its new height.
    m_layout->addStretch(1);

    for (const Watch& watch : store.watches())
        addRow(watch);
    updateEmptyState();
    setWidget(m_content);
    // Only after setWidget(), which turns it on.
    m_content->setAutoFillBackground(false);
    m_content->installEventFilter(this);

    connect(&store, &DigStore::watchAdded, this, &WatchListView::watchAdded);
    connect(&store, &DigStore::watchRemoved, this, &WatchListView::watchRemoved);
    connect(&store, &DigStore::watchUpdated, this, &WatchListView::refreshRow);
    connect(&store, &DigStore::resultsChanged, this, &WatchListView::refreshRow);
    connect(&store, &DigStore::checkingChanged, this, &WatchListView::refreshRow);
}

int WatchListView::areaHeight(double contentHeight) {
    if (contentHeight <= 1)
        return 1;
    if (contentHeight > maximumListHeight)
        return maximumListHeight;
    return static_cast<int>(std::ceil(contentHeight));
}

QList<WatchRow*> WatchListView::layoutRows() const {
    QList<WatchRow*> rows;
    for (int i = 0; i < m_layout->count(); ++i) {
        if (auto* row = qobject_cast<WatchRow*>(m_layout->itemAt(i)->widget()))
            rows.append(row);
    }
    return rows;
}

QList<WatchRow*> WatchListView::rows() const {
    QList<WatchRow*> rows = layoutRows();
    rows.removeIf([this](WatchRow* row) { return m_rows.value(row->watch().id) != row; });
    return rows;
}

void WatchListView::addRow(const Watch& watch) {
    auto* row = new WatchRow(m_store, watch, m_content);
    // Before the trailing stretch: rows keep the store's order.
    m_layout->insertWidget(m_layout->count() - 1, row);
    // Counted by the next measurement already, not only once shown.
    row->show();
    m_rows.insert(watch.id, row);
}

void WatchListView::watchAdded(const QUuid& id) {
    if (m_rows.contains(id))
        return;
    if (const Watch* watch = m_store.watch(id))
        addRow(*watch);
    updateEmptyState();
}

void WatchListView::watchRemoved(const QUuid& id) {
    WatchRow* row = m_rows.take(id);
    if (!row)
        return;
    if (m_rows.isEmpty()) {
        // The empty state takes over at once; rows still leaving go with it.
        for (WatchRow* leaving : layoutRows()) {
            leaving->hide();
            leaving->deleteLater();
        }
    } else {
        row->leaveList();
    }
    updateEmptyState();
}

void WatchListView::refreshRow(const QUuid& id) {
    if (WatchRow* row = m_rows.value(id))
        row->refresh();
}

void WatchListView::updateEmptyState() {
    m_emptyState->setVisible(m_rows.isEmpty());
}

bool WatchListView::eventFilter(QObject* watched, QEvent* event) {
    if (watched == m_content && event->type() == QEvent::LayoutRequest)
        measure();
    return QScrollArea::eventFilter(watched, event);
}

void WatchListView::showEvent(QShowEvent* event) {
    QScrollArea::showEvent(event);
    measure();
}

void WatchListView::resizeEvent(QResizeEvent* event) {
    QScrollArea::resizeEvent(event);
    if (isVisible())
        measure();
}

void WatchListView::measure() {
    // Rows with the vertical scroll bar shown are measured at the narrower width.
    int width = viewport()->width();
    if (width <= 0)
        width = this->width();
    const double height = m_layout->hasHeightForWidth() ? m_layout->totalHeightForWidth(width)
                                                        : m_layout->totalSizeHint().height();
    if (height == m_contentHeight)
        return;
    const int before = areaHeight(m_contentHeight);
    m_contentHeight = height;
    if (areaHeight(height) != before)
        updateGeometry();
    Q_EMIT listContentHeightChanged(height);
}

QSize WatchListView::sizeHint() const {
    return {QScrollArea::sizeHint().width(), areaHeight(m_contentHeight)};
}

QSize WatchListView::minimumSizeHint() const {
    return {QScrollArea::minimumSizeHint().width(), areaHeight(m_contentHeight)};
}

} // namespace Quello
