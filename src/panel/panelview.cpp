#include "panel/panelview.h"

#include "panel/applicationaccessible.h"
#include "panel/input/inputbar.h"
#include "panel/rows/watchlistview.h"
#include "panel/rows/watchrow.h"
#include "panel/speech/announcer.h"
#include "panel/speech/menuaccessibility.h"
#include "panel/speech/screenreaderstatus.h"
#include "panel/style/glassbackground.h"
#include "panel/style/iconview.h"
#include "panel/style/paneldivider.h"
#include "panel/style/panelresources.h"
#include "panel/style/symbolicon.h"
#include "panel/style/textstyles.h"
#include "store/digstore.h"
#include "store/pendingwords.h"

#include <QAccessible>
#include <QAction>
#include <QApplication>
#include <QCoreApplication>
#include <QEvent>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QTimer>
#include <QToolButton>
#include <QVBoxLayout>

namespace Quello {

namespace {

constexpr int iconSide = 30;
constexpr int actionsIconSize = 14;

} // namespace

PanelView::PanelView(DigStore& store, QWidget* parent)
    : QWidget(parent)
    , m_store(store)
    , m_glass(new GlassBackground(this)) {
    ApplicationAccessible::install(staticMetaObject);
    setFixedWidth(panelWidth);
    auto* column = new QVBoxLayout(this);
    column->setContentsMargins(0, 0, 0, 0);
    column->setSpacing(0);

    column->addWidget(buildHeader());
    column->addWidget(new PanelDivider(this));

    m_listArea = new WatchListView(store, this);
    // QScrollArea::setWidget() makes its content paint an opaque ground,
    // which would stand out on the glass.
    if (QWidget* content = m_listArea->widget())
        content->setAutoFillBackground(false);
    column->addWidget(m_listArea);

    column->addWidget(new PanelDivider(this));

    m_inputBar = new InputBar(store, this);
    column->addWidget(m_inputBar);

    // The actions answer their keys anywhere in the panel, not only while
    // the menu is open.
    addAction(m_checkAll);
    addAction(m_quit);

    m_glass->lower();

    connect(&m_store, &DigStore::watchAdded, this, &PanelView::refresh);
    connect(&m_store, &DigStore::watchRemoved, this, &PanelView::refresh);
    connect(&m_store, &DigStore::watchUpdated, this, &PanelView::refresh);
    m_announcer = new Announcer(this);
    connect(&m_store, &DigStore::watchUpdated, this, &PanelView::announceSettling);
    // A reader turned on while the panel is open is told where it is.
    connect(new ScreenReaderStatus(this), &ScreenReaderStatus::readerListening, this,
            &PanelView::greetReader);
    connect(&m_store, &DigStore::offlineChanged, this, &PanelView::refresh);
    refresh();
    applyPalette();
}

QWidget* PanelView::buildHeader() {
    auto* header = new QWidget(this);
    header->setObjectName(QStringLiteral("header"));
    auto* row = new QHBoxLayout(header);
    row->setContentsMargins(14, 12, 14, 12);
    row->setSpacing(10);

    m_icon = new IconView(iconSide, header);
    m_icon->setIcon(appIcon());
    m_icon->setAccessibleName(tr("Quello"));
    row->addWidget(m_icon, 0, Qt::AlignVCenter);

    auto* titles = new QVBoxLayout;
    titles->setSpacing(1);
    m_title = new QLabel(tr("Quello"), header);
    m_title->setFont(TextStyles::headline());
    m_subtitle = new QLabel(header);
    m_subtitle->setFont(TextStyles::caption());
    m_subtitle->setTextFormat(Qt::PlainText);
    titles->addWidget(m_title, 0, Qt::AlignLeft);
    titles->addWidget(m_subtitle, 0, Qt::AlignLeft);
    row->addLayout(titles);

    row->addStretch(1);

    m_actionsMenu = new QMenu(this);
    m_checkAll = new QAction(tr("Check All Now"), this);
    m_checkAll->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_R));
    m_checkAll->setShortcutContext(Qt::WidgetWithChildrenShortcut);
    connect(m_checkAll, &QAction::triggered, this, [this] { m_store.checkAll(); });
    m_quit = new QAction(tr("Quit Quello"), this);
    m_quit->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_Q));
    m_quit->setShortcutContext(Qt::WidgetWithChildrenShortcut);
    m_quit->setMenuRole(QAction::QuitRole);
    connect(m_quit, &QAction::triggered, this, [] { QCoreApplication::quit(); });
    m_actionsMenu->addAction(m_checkAll);
    m_actionsMenu->addSeparator();
    m_actionsMenu->addAction(m_quit);

    m_actionsButton = new QToolButton(header);
    m_actionsButton->setObjectName(QStringLiteral("actionsButton"));
    m_actionsButton->setMenu(m_actionsMenu);
    m_actionsButton->setPopupMode(QToolButton::InstantPopup);
    m_actionsButton->setAutoRaise(true);
    m_actionsButton->setIconSize(QSize(actionsIconSize, actionsIconSize));
    m_actionsButton->setStyleSheet(
        QStringLiteral("QToolButton { border: none; padding: 2px; }"
                       "QToolButton::menu-indicator { image: none; width: 0px; }"));
    m_actionsButton->setAccessibleName(tr("More actions"));
    m_actionsButton->setToolTip(tr("More actions"));
    MenuAccessibility::prepare(m_actionsMenu, tr("More actions"));
    // Enter opens it too, as it opens a row: a button that opens a menu
    // answers Space only.
    m_actionsButton->installEventFilter(this);
    row->addWidget(m_actionsButton, 0, Qt::AlignVCenter);

    return header;
}

QString PanelView::subtitle(int watches, int pending) {
    if (watches <= 0)
        return tr("No watches yet");
    const int settled = watches - pending;
    if (pending <= 0) {
        return settled == 1 ? tr("1 record settled") : tr("%1 records settled").arg(settled);
    }
    if (settled != 0)
        return tr("%1 propagating \u00B7 %2 settled").arg(pending).arg(settled);
    return tr("%1 propagating").arg(pending);
}

QLineEdit* PanelView::inputField() const {
    return m_inputBar->findChild<QLineEdit*>();
}

void PanelView::takeInitialFocus() {
    if (QLineEdit* field = inputField())
        field->setFocus(Qt::PopupFocusReason);
    else
        setFocus(Qt::PopupFocusReason);
}

bool PanelView::focusNextPrevChild(bool next) {
    // Tab goes field, list (its current row; arrows move inside), actions.
    QWidget* focused = QApplication::focusWidget();
    WatchRow* row = m_listArea->currentRow();
    QList<QWidget*> stops{inputField()};
    if (row != nullptr)
        stops.append(row);
    stops.append(m_actionsButton);
    qsizetype at = stops.indexOf(focused);
    if (at < 0 && row != nullptr && focused != nullptr && m_listArea->isAncestorOf(focused))
        at = 1;
    if (at < 0 || stops.contains(nullptr))
        return QWidget::focusNextPrevChild(next);
    QWidget* target = stops[(at + (next ? 1 : stops.size() - 1)) % stops.size()];
    target->setFocus(next ? Qt::TabFocusReason : Qt::BacktabFocusReason);
    if (target == row)
        m_listArea->ensureWidgetVisible(row, 0, 0);
    return true;
}

void PanelView::refresh() {
    const int pending = m_store.pendingCount();
    // Offline, every resolver would look like a problem; the cause is said
    // instead of a count that cannot change meanwhile.
    const QString summary = m_store.isOffline()
                                ? tr("Offline \u2014 checks resume when you are back online")
                                : subtitle(static_cast<int>(m_store.watches().size()), pending);
    m_subtitle->setText(summary);
    // Trays offer no spoken label for their icons; the panel carries the
    // item's words, and the summary line as its description.
    setAccessibleName(PendingWords::forPendingCount(pending).accessibilityLabel);
    setAccessibleDescription(summary);
}

bool PanelView::eventFilter(QObject* watched, QEvent* event) {
    if (watched == m_actionsButton && event->type() == QEvent::KeyPress) {
        const auto* key = static_cast<QKeyEvent*>(event);
        if ((key->key() == Qt::Key_Return || key->key() == Qt::Key_Enter)
            && (key->modifiers() & ~Qt::KeypadModifier) == Qt::NoModifier) {
            m_actionsButton->showMenu();
            return true;
        }
    }
    return QWidget::eventFilter(watched, event);
}

void PanelView::showEvent(QShowEvent* event) {
    QWidget::showEvent(event);
    if (QAccessible::isActive())
        QTimer::singleShot(0, this, &PanelView::greetReader);
}

void PanelView::greetReader() {
    if (!isVisible())
        return;
    // Opened again, the keyboard is where it was, so Qt tells the reader
    // nothing, and the reader still thinks the user is in the application
    // before: say whose panel this is, and where the keyboard is.
    m_announcer->announce(accessibleName() + QStringLiteral(", ") + m_subtitle->text());
    if (QWidget* focused = QApplication::focusWidget();
        focused != nullptr && isAncestorOf(focused)) {
        QAccessibleEvent focus(focused, QAccessible::Focus);
        QAccessible::updateAccessibility(&focus);
    }
}

void PanelView::announceSettling(const QUuid& id) {
    // The store tells of a watch only when it settles or falls back; the
    // announcer keeps quiet while the panel is hidden.
    if (const Watch* watch = m_store.watch(id)) {
        m_announcer->announce(watch->settledAt ? tr("%1 propagated").arg(watch->domain)
                                               : tr("%1 propagating again").arg(watch->domain));
    }
}

void PanelView::applyPalette() {
    QPalette subtitlePalette = m_subtitle->palette();
    subtitlePalette.setColor(QPalette::WindowText, TextStyles::secondary(this));
    m_subtitle->setPalette(subtitlePalette);

    QIcon more = SymbolIcon::icon(QStringLiteral("ellipsis.circle"));
    if (more.name().isEmpty()) // the bundled drawing: give it the secondary colour
        more = SymbolIcon::tinted(QStringLiteral("ellipsis.circle"), TextStyles::secondary(this));
    m_actionsButton->setIcon(more);
}

void PanelView::changeEvent(QEvent* event) {
    QWidget::changeEvent(event);
    if (event->type() == QEvent::PaletteChange || event->type() == QEvent::StyleChange)
        applyPalette();
}

void PanelView::resizeEvent(QResizeEvent* event) {
    QWidget::resizeEvent(event);
    m_glass->setGeometry(rect());
}

} // namespace Quello
