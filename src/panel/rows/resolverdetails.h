#pragma once

#include "model/resolver.h"
#include "model/watch.h"
#include "store/resolverstatus.h"

#include <QColor>
#include <QCoreApplication>
#include <QFont>
#include <QList>
#include <QRect>
#include <QStringList>

class QPainter;
class QPalette;

namespace Quello {

class DigStore;

// The lines that unfold under a clicked row: first the source (what the
// zone's own servers serve), then one per resolver with its dot, its name and
// its latest answer. Reads the store when measured or painted.
class ResolverDetails {
    Q_DECLARE_TR_FUNCTIONS(Quello::ResolverDetails)

public:
    static constexpr int leadingPadding = 23; // flush with the row's domain text
    static constexpr int topPadding = 6;
    static constexpr int bottomPadding = 2;
    static constexpr int lineSpacing = 4;
    static constexpr int columnSpacing = 8;
    static constexpr int minimumNameWidth = 70;
    static constexpr int maximumAnswerLines = 2;

    ResolverDetails(const DigStore& store, const Watch& watch);

    // The source's line and the four resolvers'.
    static int lineCount();

    struct Line {
        ResolverStatus dot = ResolverStatus::Waiting;
        QString name;
        QString text;
    };
    // Line `index` as shown, the source's first.
    static Line line(const DigStore& store, const Watch& watch, int index);

    // The latest answer of one resolver as the line shows it.
    static QString resolverText(const DigStore& store, const Watch& watch,
                                const Resolver& resolver);

    // The answer broken for `width`: at most two lines, the second one elided
    // when the text goes on.
    static QStringList answerLines(const QString& text, const QFont& font, int width);

    static QFont nameFont();
    // The name column: 70, or wider when a resolver's name needs it in the
    // desktop's font, so that no name is cut.
    static int nameWidth();
    static QFont answerFont();

    int heightForWidth(int width) const;
    // Where each line lies when the details fill `rect`.
    QList<QRect> lineRects(const QRect& rect) const;
    void paint(QPainter& painter, const QRect& rect, const QPalette& palette) const;

private:
    int answerWidth(int width) const;
    int lineHeight(int answerLineCount) const;

    const DigStore& m_store;
    const Watch& m_watch;
};

} // namespace Quello
