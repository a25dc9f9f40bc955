#pragma once

#include <QAbstractButton>

namespace Quello {

// A button that is only its icon, with even padding around it and no chrome.
class PlainIconButton : public QAbstractButton {
    Q_OBJECT

public:
    PlainIconButton(const QIcon& icon, int iconSize, int padding, QWidget* parent = nullptr);

    QSize sizeHint() const override;

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    int m_padding;
};

} // namespace Quello
