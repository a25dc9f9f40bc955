#include "panel/input/inputpreview.h"

#include "model/recordtype.h"
#include "panel/style/accentcolors.h"
#include "panel/style/systemcolors.h"

namespace Quello {

namespace {

bool isTrimmable(QChar c) {
    return c == u'\t' || c.category() == QChar::Separator_Space;
}

QColor withAlpha(QColor color, qreal alpha) {
    color.setAlphaF(static_cast<float>(color.alphaF() * alpha));
    return color;
}

} // namespace

InputPreview::InputPreview(QStringView input)
    : m_request(WatchParser::parse(trimmed(input))) {}

QString InputPreview::trimmed(QStringView input) {
    qsizetype begin = 0;
    qsizetype end = input.size();
    while (begin < end && isTrimmable(input[begin]))
        ++begin;
    while (end > begin && isTrimmable(input[end - 1]))
        --end;
    return input.sliced(begin, end - begin).toString();
}

std::optional<QString> InputPreview::animationKey() const {
    if (!m_request)
        return std::nullopt;
    return m_request->domain;
}

QList<PreviewChip> InputPreview::chips() const {
    if (!m_request)
        return {};
    QList<PreviewChip> chips{{m_request->domain, AccentColors::blue()},
                             {rawValue(m_request->type), AccentColors::violet()}};
    if (m_request->expected)
        chips.append({tr("wait for %1").arg(*m_request->expected), SystemColors::orange()});
    return chips;
}

QColor InputPreview::borderColor(bool parses, const QColor& primary) {
    return parses ? withAlpha(AccentColors::violet(), 0.4) : withAlpha(primary, 0.08);
}

QColor InputPreview::iconColor(bool parses, const QColor& secondary) {
    return parses ? AccentColors::violet() : secondary;
}

} // namespace Quello
