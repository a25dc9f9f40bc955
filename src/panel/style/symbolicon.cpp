#include "panel/style/symbolicon.h"

#include "panel/style/panelresources.h"

#include <QGuiApplication>
#include <QIconEngine>
#include <QImage>
#include <QPainter>
#include <QPalette>
#include <QPixmap>
#include <QSvgRenderer>

#include <array>
#include <optional>

namespace Quello::SymbolIcon {

namespace {

struct Symbol {
    QLatin1String name;
    QLatin1String file;                      // bundled drawing under :/quello/icons
    std::array<QLatin1String, 2> themeNames; // freedesktop names, best first
};

const std::array<Symbol, 4> symbols{{
    {QLatin1String("plus"),
     QLatin1String("plus"),
     {QLatin1String("list-add"), QLatin1String("list-add")}},
    {QLatin1String("trash"),
     QLatin1String("trash"),
     {QLatin1String("user-trash"), QLatin1String("edit-delete")}},
    {QLatin1String("ellipsis.circle"),
     QLatin1String("ellipsis-circle"),
     {QLatin1String("view-more"), QLatin1String("open-menu")}},
    {QLatin1String("dot.radiowaves.left.and.right"),
     QLatin1String("radiowaves"),
     {QLatin1String("network-wireless"), QLatin1String("network-transmit-receive")}},
}};

const Symbol* find(const QString& name) {
    for (const Symbol& symbol : symbols) {
        if (symbol.name == name)
            return &symbol;
    }
    return nullptr;
}

QString bundledPath(const Symbol& symbol) {
    return QStringLiteral(":/quello/icons/%1.svg").arg(symbol.file);
}

// Renders a one-colour drawing in a given colour, or, without one, in the
// palette's text colour at the moment it is painted, so that a light or dark
// desktop both get a readable symbol.
class TintedSvgEngine final : public QIconEngine {
public:
    TintedSvgEngine(QString path, std::optional<QColor> color)
        : m_path(std::move(path))
        , m_color(std::move(color)) {}

    void paint(QPainter* painter, const QRect& rect, QIcon::Mode mode, QIcon::State) override {
        const qreal dpr =
            painter->device() != nullptr ? painter->device()->devicePixelRatioF() : 1.0;
        const QImage image = render(rect.size() * dpr, mode);
        painter->drawImage(QRectF(rect), image);
    }

    QPixmap pixmap(const QSize& size, QIcon::Mode mode, QIcon::State state) override {
        return scaledPixmap(size, mode, state, 1.0);
    }

    QPixmap scaledPixmap(const QSize& size, QIcon::Mode mode, QIcon::State, qreal scale) override {
        QPixmap pixmap = QPixmap::fromImage(render(size * scale, mode));
        pixmap.setDevicePixelRatio(scale);
        return pixmap;
    }

    QIconEngine* clone() const override { return new TintedSvgEngine(m_path, m_color); }
    QString key() const override { return QStringLiteral("QuelloTintedSvg"); }
    bool isNull() override { return false; }

private:
    QColor colorFor(QIcon::Mode mode) const {
        const QPalette palette = QGuiApplication::palette();
        QColor color;
        if (m_color)
            color = *m_color;
        else if (mode == QIcon::Selected)
            color = palette.color(QPalette::HighlightedText);
        else
            color = palette.color(QPalette::WindowText);
        if (mode == QIcon::Disabled)
            color.setAlphaF(color.alphaF() * 0.4f);
        return color;
    }

    QImage render(const QSize& devicePixels, QIcon::Mode mode) const {
        QImage image(devicePixels.expandedTo(QSize(1, 1)), QImage::Format_ARGB32_Premultiplied);
        image.fill(Qt::transparent);
        QSvgRenderer renderer(m_path);
        if (!renderer.isValid())
            return image;
        QPainter painter(&image);
        painter.setRenderHint(QPainter::Antialiasing);
        // Keep the drawing square and centred in whatever box is asked for.
        const qreal side = std::min(image.width(), image.height());
        renderer.render(
            &painter, QRectF((image.width() - side) / 2, (image.height() - side) / 2, side, side));
        painter.setCompositionMode(QPainter::CompositionMode_SourceIn);
        painter.fillRect(image.rect(), colorFor(mode));
        return image;
    }

    QString m_path;
    std::optional<QColor> m_color;
};

QIcon bundled(const Symbol& symbol, std::optional<QColor> color) {
    ensurePanelResources();
    return QIcon(new TintedSvgEngine(bundledPath(symbol), std::move(color)));
}

} // namespace

QIcon icon(const QString& symbolName) {
    const Symbol* symbol = find(symbolName);
    if (symbol == nullptr)
        return QIcon::fromTheme(symbolName);
    for (const QLatin1String& themeName : symbol->themeNames) {
        const QString name = themeName;
        if (QIcon::hasThemeIcon(name))
            return QIcon::fromTheme(name);
    }
    return bundled(*symbol, std::nullopt);
}

QIcon tinted(const QString& symbolName, const QColor& color) {
    const Symbol* symbol = find(symbolName);
    if (symbol == nullptr)
        return icon(symbolName);
    return bundled(*symbol, color);
}

} // namespace Quello::SymbolIcon
