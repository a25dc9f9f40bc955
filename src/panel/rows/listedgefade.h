#pragma once

#include <QWidget>

namespace Quello {

// A few pixels of the panel's ground, fading into the list, laid over the
// edge where a scrolled list is cut so that rows do not end in a hard line.
class ListEdgeFade : public QWidget {
    Q_OBJECT

public:
    static constexpr int fadeHeight = 10;

    // `atTop` fades downward from the top edge, otherwise upward from the
    // bottom edge.
    ListEdgeFade(bool atTop, QWidget* parent);

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    bool m_atTop;
};

} // namespace Quello
