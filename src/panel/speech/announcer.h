#pragma once

#include <QWidget>

namespace Quello {

// Speaks a short message through the screen reader without moving the
// keyboard: a notification object in the panel, shown for a moment with the
// message as its name, which is what Orca 43 reads out from a Qt 6.4
// application (neither has an announcement event yet). Nothing is painted.
class Announcer : public QWidget {
    Q_OBJECT

public:
    explicit Announcer(QWidget* parent = nullptr);

    void announce(const QString& message);

    // The announcer of the panel `widget` is in, if any.
    static Announcer* of(const QWidget* widget);
};

} // namespace Quello
