#pragma once

#include <QColor>
#include <QIconEngine>

namespace Quello {

// Paints the tray icon at the size and pixel ratio it is asked for, so a tray
// that wants 22 or 48 pixels gets a drawing of 22 or 48 pixels, not a scaled
// copy of a smaller one. It names the sizes trays commonly ask for (the
// StatusNotifierItem export sends one picture per named size) and reports its
// icon-theme name, which that export passes on as the icon's name.
class MenuBarIconEngine : public QIconEngine {
public:
    MenuBarIconEngine(bool pending, const QColor& color, const QString& themeName,
                      const QColor& edge = Qt::transparent);

    void paint(QPainter* painter, const QRect& rect, QIcon::Mode mode, QIcon::State state) override;
    QSize actualSize(const QSize& size, QIcon::Mode mode, QIcon::State state) override;
    QPixmap pixmap(const QSize& size, QIcon::Mode mode, QIcon::State state) override;
    QPixmap scaledPixmap(const QSize& size, QIcon::Mode mode, QIcon::State state,
                         qreal scale) override;
    QList<QSize> availableSizes(QIcon::Mode mode, QIcon::State state) override;
    QString iconName() override;
    QString key() const override;
    bool isNull() override;
    QIconEngine* clone() const override;

private:
    bool m_pending;
    QColor m_color;
    QColor m_edge;
    QString m_themeName;
};

} // namespace Quello
