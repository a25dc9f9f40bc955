#include "panel/rows/emptystateview.h"

#include "panel/input/inputpreview.h"
#include "panel/style/iconview.h"
#include "panel/style/symbolicon.h"
#include "panel/style/textstyles.h"

#include <QEvent>
#include <QLabel>
#include <QVBoxLayout>

namespace Quello {

namespace {

constexpr int iconSize = 24;

} // namespace

EmptyStateView::EmptyStateView(QWidget* parent)
    : QWidget(parent)
    , m_icon(new IconView(iconSize, this))
    , m_heading(new QLabel(tr("No watches yet"), this))
    , m_hint(new QLabel(tr("Type a domain below, like %1 A 1.2.3.4, then press return. Quello "
                           "notifies you when it propagates.")
                            .arg(InputPreview::exampleDomain),
                        this)) {
    m_heading->setFont(TextStyles::callout());
    m_heading->setAlignment(Qt::AlignCenter);
    m_hint->setFont(TextStyles::caption());
    m_hint->setAlignment(Qt::AlignCenter);
    m_hint->setWordWrap(true);
    m_hint->setContentsMargins(20, 0, 20, 0);

    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 36, 0, 36);
    layout->setSpacing(8);
    layout->addWidget(m_icon, 0, Qt::AlignHCenter);
    layout->addWidget(m_heading);
    layout->addWidget(m_hint);
    applyColors();
}

QString EmptyStateView::heading() const {
    return m_heading->text();
}

QString EmptyStateView::hint() const {
    return m_hint->text();
}

void EmptyStateView::applyColors() {
    const QColor secondary = TextStyles::secondary(this);
    for (QLabel* label : {m_heading, m_hint}) {
        QPalette palette = label->palette();
        palette.setColor(QPalette::WindowText, secondary);
        label->setPalette(palette);
    }
    m_icon->setIcon(SymbolIcon::tinted(QStringLiteral("dot.radiowaves.left.and.right"), secondary));
}

void EmptyStateView::changeEvent(QEvent* event) {
    QWidget::changeEvent(event);
    if (event->type() == QEvent::PaletteChange)
        applyColors();
}

} // namespace Quello
