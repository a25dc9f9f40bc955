#include "panel/input/inputbar.h"

#include "model/recordtype.h"
#include "panel/input/chiprow.h"
#include "panel/input/fieldrow.h"
#include "panel/input/inputpreview.h"
#include "panel/motion/springanimation.h"
#include "panel/speech/atspievents.h"
#include "panel/style/textstyles.h"
#include "store/digstore.h"

#include <QAccessible>
#include <QEvent>
#include <QKeyEvent>
#include <QLineEdit>
#include <QVBoxLayout>

namespace Quello {

InputBar::InputBar(DigStore& store, QWidget* parent)
    : QWidget(parent)
    , m_store(store)
    , m_field(new QLineEdit(this))
    , m_chipRow(new ChipRow(this))
    , m_fieldRow(new FieldRow(m_field, this)) {
    m_field->setFrame(false);
    m_field->setFont(TextStyles::monospaced(TextStyles::callout()));
    m_field->setPlaceholderText(tr("%1  or  %1 A 1.2.3.4").arg(InputPreview::exampleDomain));
    m_field->setAccessibleName(tr("New watch"));
    m_field->setAttribute(Qt::WA_MacShowFocusRect, false);
    applyPalette();

    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(12, 12, 12, 12);
    // The chip row carries its own gap, so that it takes no room while absent.
    layout->setSpacing(0);
    layout->addWidget(m_chipRow);
    layout->addWidget(m_fieldRow);

    connect(m_field, &QLineEdit::textChanged, this, &InputBar::inputChanged);
    connect(m_field, &QLineEdit::returnPressed, this, &InputBar::addWatch);
    connect(m_chipRow, &ChipRow::clicked, this, &InputBar::takeAceForm);
    // Tab takes the offered ACE form, before it can move the focus on.
    m_field->installEventFilter(this);
}

bool InputBar::eventFilter(QObject* watched, QEvent* event) {
    if (watched == m_field && event->type() == QEvent::KeyPress
        && static_cast<QKeyEvent*>(event)->key() == Qt::Key_Tab
        && static_cast<QKeyEvent*>(event)->modifiers() == Qt::NoModifier && takeAceForm())
        return true;
    return QWidget::eventFilter(watched, event);
}

bool InputBar::takeAceForm() {
    const std::optional<QString> line = InputPreview(m_field->text()).aceLine();
    if (!line)
        return false;
    m_field->setText(*line);
    return true;
}

void InputBar::applyPalette() {
    // The rounded field behind it is painted by the row. The desktop's
    // placeholder colour is often half its text colour, too faint on it.
    QPalette palette = m_field->palette();
    palette.setColor(QPalette::Base, Qt::transparent);
    palette.setColor(QPalette::PlaceholderText, TextStyles::secondary(this));
    m_field->setPalette(palette);
}

void InputBar::changeEvent(QEvent* event) {
    QWidget::changeEvent(event);
    if (event->type() == QEvent::PaletteChange)
        applyPalette();
}

QString InputBar::spokenPreview(const InputPreview& preview, const QString& text) {
    if (preview.aceDomain())
        return tr("Not a valid watch; Tab puts in its ACE form, %1").arg(*preview.aceDomain());
    if (!preview.parses())
        return InputPreview::trimmed(text).isEmpty() ? QString() : tr("Not a valid watch");
    const WatchRequest& request = *preview.request();
    if (request.expected) {
        return tr("%1, %2, expecting %3")
            .arg(request.domain, rawValue(request.type), *request.expected);
    }
    return tr("%1, %2").arg(request.domain, rawValue(request.type));
}

void InputBar::inputChanged(const QString& text) {
    const InputPreview preview(text);
    m_field->setAccessibleDescription(spokenPreview(preview, text));
    const std::optional<QString> key = preview.animationKey();
    if (key)
        m_chipRow->setChips(preview.chips());
    m_chipRow->setCursor(preview.aceLine() ? Qt::PointingHandCursor : Qt::ArrowCursor);
    // Edits that keep the parsed domain only change the chips; a new domain
    // (or none) moves the row and the colours with the spring. A row that
    // leaves keeps its last chips while it fades.
    // The colours follow a line that parses, not the offer of an ACE form.
    const SpringEasing spring = SpringEasing::inputBar();
    if (key != m_animationKey) {
        const bool shown = key.has_value();
        if (shown != m_animationKey.has_value())
            SpringAnimation::animate(spring, m_chipRow, "reveal", shown ? 1.0 : 0.0);
        m_animationKey = key;
    }
    if (preview.parses() != m_toned) {
        m_toned = preview.parses();
        SpringAnimation::animate(spring, m_fieldRow, "tone", m_toned ? 1.0 : 0.0);
    }
}

void InputBar::addWatch() {
    const InputPreview preview(m_field->text());
    if (!preview.parses()) {
        if (!InputPreview::trimmed(m_field->text()).isEmpty())
            tellOutcome(tr("Not a valid watch"));
        return;
    }
    const WatchRequest& request = *preview.request();
    const QString type = rawValue(request.type);
    if (m_store.add(request.domain, request.type, request.expected)) {
        m_field->clear();
        tellOutcome(tr("Added %1, %2").arg(request.domain, type));
    } else {
        tellOutcome(tr("Already watched: %1, %2").arg(request.domain, type));
    }
}

void InputBar::tellOutcome(const QString& outcome) {
    // A sighted user sees the row appear or the line stay; the field's
    // description says which until the next edit, and the reader is told
    // the new text itself.
    m_field->setAccessibleDescription(outcome);
    if (QAccessible::isActive())
        AtSpiEvents::descriptionChanged(QAccessible::queryAccessibleInterface(m_field), outcome);
}

} // namespace Quello
