#pragma once

#include <QIcon>
#include <QWidget>

namespace Quello {

// A picture drawn from its icon each time it is painted, at the device pixel
// ratio of what it is painted on, so that it stays sharp when the window
// moves to a screen of another scale: there is no pixmap to go stale.
// Announced as an image.
class IconView : public QWidget {
    Q_OBJECT

public:
    IconView(int side, QWidget* parent = nullptr);

    const QIcon& icon() const { return m_icon; }
    void setIcon(const QIcon& icon);

    QSize sizeHint() const override;

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    int m_side;
    QIcon m_icon;
};

} // namespace Quello
