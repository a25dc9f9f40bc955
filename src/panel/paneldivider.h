#pragma once

#include <QWidget>

namespace Quello {

// The thin separator line between the panel's sections, faded to 0.4.
class PanelDivider : public QWidget {
    Q_OBJECT

public:
    static constexpr qreal opacity = 0.4;

    explicit PanelDivider(QWidget* parent = nullptr);

    QSize sizeHint() const override;

protected:
    void paintEvent(QPaintEvent* event) override;
};

} // namespace Quello
