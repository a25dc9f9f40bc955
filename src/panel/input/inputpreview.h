#pragma once

#include "model/watchparser.h"

#include <QColor>
#include <QCoreApplication>
#include <QList>
#include <QString>
#include <QStringView>

#include <optional>

namespace Quello {

// One coloured chip above the input field.
struct PreviewChip {
    QString text;
    QColor color;

    bool operator==(const PreviewChip&) const = default;
};

// What the input bar shows for the typed text, apart from the text itself:
// the parsed line, its chips, the field's border and icon colours, and the
// key its animation follows. Depends on nothing but the text.
class InputPreview {
    Q_DECLARE_TR_FUNCTIONS(Quello::InputPreview)

public:
    // The domain used in the placeholder and in the empty list's hint.
    static inline const QString exampleDomain = QStringLiteral("example.com");

    explicit InputPreview(QStringView input);

    // Drops leading and trailing space separators and tabs. Line breaks stay,
    // so a line with one still fails to parse.
    static QString trimmed(QStringView input);

    const std::optional<WatchRequest>& request() const { return m_request; }
    bool parses() const { return m_request.has_value(); }

    // The parsed domain: the preview row enters or leaves only when it changes.
    std::optional<QString> animationKey() const;

    // Domain, type and, with an expected value, "wait for ..." chips; none
    // when the line does not parse.
    QList<PreviewChip> chips() const;

    // The field border: the violet accent while the line parses, else a
    // faint line of the text colour.
    QColor borderColor(const QColor& primary) const { return borderColor(parses(), primary); }
    // The leading plus: violet while the line parses, else secondary.
    QColor iconColor(const QColor& secondary) const { return iconColor(parses(), secondary); }

    static QColor borderColor(bool parses, const QColor& primary);
    static QColor iconColor(bool parses, const QColor& secondary);

private:
    std::optional<WatchRequest> m_request;
};

} // namespace Quello
