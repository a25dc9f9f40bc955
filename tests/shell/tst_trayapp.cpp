#include "desktoptestmain.h"
#include "fakedig.h"
#include "menubar/menubaritem.h"
#include "menubar/panelpopover.h"
#include "menubar/quelloapp.h"

#include <QSystemTrayIcon>
#include <QTemporaryDir>
#include <QTest>

using namespace Quello;

namespace {

// Settings go to a scratch directory, before anything reads a QSettings path.
struct ScratchConfig {
    QTemporaryDir dir;
    ScratchConfig() { qputenv("XDG_CONFIG_HOME", QFile::encodeName(dir.path())); }
};
const ScratchConfig scratchConfig;

QWidget* visibleBalloon() {
    for (QWidget* widget : QApplication::topLevelWidgets()) {
        if (widget->isVisible() && qstrcmp(widget->metaObject()->className(), "QBalloonTip") == 0)
            return widget;
    }
    return nullptr;
}

} // namespace

class TestTrayApp : public QObject {
    Q_OBJECT

    Test::FakeDig m_dig;

private Q_SLOTS:
    // The private session bus of the test desktop has no notification
    // service: the tray's own balloon shows the message instead.
    void notificationFallsBackToTheTray() {
        if (!QSystemTrayIcon::isSystemTrayAvailable())
            QSKIP("needs an X11 tray host (tests/session/desktop-session)");
        QuelloApp app(m_dig.program());
        QTRY_VERIFY_WITH_TIMEOUT(!app.menuBarItem()->iconGeometry().isEmpty(), 5000);
        app.notifier().notify(QUuid::createUuid(), QStringLiteral("example.com A propagated"),
                              QStringLiteral("All resolvers now return 192.0.2.1"));
        QTRY_VERIFY_WITH_TIMEOUT(visibleBalloon() != nullptr, 5000);
        visibleBalloon()->close();
    }

    void notificationClickOpensThePanel_data() {
        QTest::addColumn<bool>("watchExists");
        QTest::newRow("watch still listed") << true;
        QTest::newRow("watch removed since") << false;
    }

    void notificationClickOpensThePanel() {
        QFETCH(bool, watchExists);
        QuelloApp app(m_dig.program());
        QVERIFY(app.store().add(QStringLiteral("example.com"), RecordType::A, std::nullopt));
        const QUuid id = app.store().watches().constFirst().id;
        if (!watchExists)
            app.store().remove(id);

        Q_EMIT app.notifier().activated(id);
        QTest::qWait(200);
        QCOMPARE(app.popover()->isVisible(), watchExists);
        // Without a tray the panel comes as an ordinary window.
        if (watchExists)
            QCOMPARE(app.popover()->isAnchored(), QSystemTrayIcon::isSystemTrayAvailable());
        app.store().remove(id);
    }
};

QUELLO_DESKTOP_TEST_MAIN(TestTrayApp)
#include "tst_trayapp.moc"
