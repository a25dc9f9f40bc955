#include "panel/rows/resolverdetails.h"

#include "panel/rows/dotpainter.h"
#include "panel/style/textstyles.h"
#include "store/digstore.h"
#include "store/sourcetext.h"
#include "store/statustext.h"

#include <QFontMetrics>
#include <QPainter>
#include <QPalette>
#include <QTextLayout>

#include <algorithm>

namespace Quello {

ResolverDetails::ResolverDetails(const DigStore& store, const Watch& watch)
    : m_store(store)
    , m_watch(watch) {}

QString ResolverDetails::resolverText(const DigStore& store, const Watch& watch,
                                      const Resolver& resolver) {
    const auto watchResults = store.results().constFind(watch.id);
    if (watchResults == store.results().cend())
        return QStringLiteral("\u2026");
    const auto result = watchResults->constFind(resolver.id);
    if (result == watchResults->cend())
        return QStringLiteral("\u2026");
    QString text;
    if (result->failed) {
        text = StatusText::answerStatus(result->status.value_or(AnswerStatus::QueryFailed))
                   .value_or(tr("unreachable"));
    } else if (result->values.isEmpty()) {
        // Which kind of nothing, when dig said.
        text = StatusText::answerStatus(result->status.value_or(AnswerStatus::NoError))
                   .value_or(tr("no answer"));
    } else {
        text = result->values.join(QStringLiteral("  "));
    }
    // A resolver still behind says how long its cache keeps what it has.
    if (store.isLagging(watch, resolver)) {
        if (const std::optional<Instant> expiry = store.expiryOf(watch, resolver))
            text += QStringLiteral(" \u00B7 ") + StatusText::cachedFor(*expiry, store.now());
    }
    return text;
}

int ResolverDetails::lineCount() {
    return 1 + static_cast<int>(Resolver::all().size());
}

ResolverDetails::Line ResolverDetails::line(const DigStore& store, const Watch& watch, int index) {
    if (index > 0) {
        const Resolver& resolver = Resolver::all().at(static_cast<std::size_t>(index - 1));
        return {store.status(watch, resolver), resolver.name, resolverText(store, watch, resolver)};
    }
    const SourceBook::Entry* source = store.source().entry(watch.id);
    const SourceVerdict verdict = store.sourceVerdict(watch);
    ResolverStatus dot = ResolverStatus::Waiting;
    if (source && source->zone && verdict.known) {
        const bool serves = watch.expected ? SourceVerdict::allServe(source->answers, watch)
                                           : verdict.answer && verdict.behind.isEmpty();
        dot = serves ? ResolverStatus::Ok : ResolverStatus::Problem;
    }
    return {dot, tr("Source"), SourceText::details(watch, source)};
}

QStringList ResolverDetails::answerLines(const QString& text, const QFont& font, int width) {
    width = std::max(width, 1);
    const QFontMetrics metrics(font);
    if (metrics.horizontalAdvance(text) <= width)
        return {text};

    QTextLayout layout(text, font);
    QTextOption option;
    option.setWrapMode(QTextOption::WrapAtWordBoundaryOrAnywhere);
    layout.setTextOption(option);
    layout.beginLayout();
    QTextLine first = layout.createLine();
    first.setLineWidth(width);
    const qsizetype firstEnd = first.textStart() + first.textLength();
    layout.endLayout();

    QStringList lines{text.left(firstEnd).trimmed()};
    const QString rest = text.mid(firstEnd);
    if (!rest.isEmpty())
        lines.append(metrics.elidedText(rest, Qt::ElideRight, width));
    return lines;
}

QFont ResolverDetails::nameFont() {
    return TextStyles::caption();
}

int ResolverDetails::nameWidth() {
    const QFontMetrics metrics(nameFont());
    int width = minimumNameWidth;
    for (const Resolver& resolver : Resolver::all())
        width = std::max(width, metrics.horizontalAdvance(resolver.name));
    return std::max(width, metrics.horizontalAdvance(tr("Source")));
}

QFont ResolverDetails::answerFont() {
    return TextStyles::monospaced(TextStyles::caption());
}

int ResolverDetails::answerWidth(int width) const {
    return std::max(1, width - leadingPadding - static_cast<int>(DotPainter::miniDiameter)
                           - columnSpacing - nameWidth() - columnSpacing);
}

int ResolverDetails::lineHeight(int answerLineCount) const {
    const int name = QFontMetrics(nameFont()).height();
    const int answer = QFontMetrics(answerFont()).height() * answerLineCount;
    return std::max({static_cast<int>(DotPainter::miniDiameter), name, answer});
}

int ResolverDetails::heightForWidth(int width) const {
    const int available = answerWidth(width);
    int height = topPadding + bottomPadding;
    for (int i = 0; i < lineCount(); ++i) {
        const auto lines = answerLines(line(m_store, m_watch, i).text, answerFont(), available);
        height += lineHeight(static_cast<int>(lines.size()));
        if (i + 1 < lineCount())
            height += lineSpacing;
    }
    return height;
}

QList<QRect> ResolverDetails::lineRects(const QRect& rect) const {
    const int available = answerWidth(rect.width());
    QList<QRect> rects;
    int y = rect.top() + topPadding;
    for (int i = 0; i < lineCount(); ++i) {
        const auto lines = answerLines(line(m_store, m_watch, i).text, answerFont(), available);
        const int height = lineHeight(static_cast<int>(lines.size()));
        rects.append(QRect(rect.left() + leadingPadding, y, rect.width() - leadingPadding, height));
        y += height + lineSpacing;
    }
    return rects;
}

void ResolverDetails::paint(QPainter& painter, const QRect& rect, const QPalette& palette) const {
    const QColor secondary = TextStyles::secondary(palette);
    const int available = answerWidth(rect.width());
    const QFontMetrics answerMetrics(answerFont());
    const int dotX = rect.left() + leadingPadding;
    const int nameX = dotX + static_cast<int>(DotPainter::miniDiameter) + columnSpacing;
    const int nameColumn = nameWidth();
    const int answerX = nameX + nameColumn + columnSpacing;

    int y = rect.top() + topPadding;
    for (int i = 0; i < lineCount(); ++i) {
        const Line shown = line(m_store, m_watch, i);
        const QStringList lines = answerLines(shown.text, answerFont(), available);
        const int height = lineHeight(static_cast<int>(lines.size()));
        const qreal centreY = y + height / 2.0;

        const qreal dot = DotPainter::miniDiameter;
        DotPainter::paintMiniDot(painter, QRectF(dotX, centreY - dot / 2, dot, dot), shown.dot,
                                 palette);

        painter.setPen(secondary);
        painter.setFont(nameFont());
        const QFontMetrics nameMetrics(nameFont());
        painter.drawText(QRect(nameX, y, nameColumn, height),
                         Qt::AlignLeft | Qt::AlignVCenter | Qt::TextSingleLine,
                         nameMetrics.elidedText(shown.name, Qt::ElideRight, nameColumn));

        painter.setFont(answerFont());
        const int textHeight = answerMetrics.height() * static_cast<int>(lines.size());
        int lineY = y + (height - textHeight) / 2;
        for (const QString& line : lines) {
            painter.drawText(QRect(answerX, lineY, available, answerMetrics.height()),
                             Qt::AlignLeft | Qt::AlignVCenter | Qt::TextSingleLine, line);
            lineY += answerMetrics.height();
        }
        y += height + lineSpacing;
    }
}

} // namespace Quello
