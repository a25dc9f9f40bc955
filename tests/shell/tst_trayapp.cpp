#include "fakedig.h"
#include "menubar/menubaritem.h"
#include "menubar/panelpopover.h"
#include "menubar/quelloapp.h"

#include <QApplication>
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

    // Clicked after its watch was removed, a notification opens nothing.
    void notificationOfARemovedWatchOpensNothing() {
        QuelloApp app(m_dig.program());
        QVERIFY(app.store().add(QStringLiteral("example.com"), RecordType::A, std::nullopt));
        const QUuid id = app.store().watches().constFirst().id;
        app.store().remove(id);
        Q_EMIT app.notifier().activated(id);
        QTest::qWait(200);
        QVERIFY(!app.popover()->isVisible());
    }
};

// Wants X11: outside the test desktop (never on the user's own display) the
// platform falls back to offscreen, so the test can start and skip what needs
// a desktop instead of aborting in the application's constructor.
int main(int argc, char* argv[]) {
    if (qEnvironmentVariableIsEmpty("QUELLO_TEST_DESKTOP"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    app.setAttribute(Qt::AA_Use96Dpi, true);
    TestTrayApp test;
    QTEST_SET_MAIN_SOURCE_PATH
    return QTest::qExec(&test, argc, argv);
}
#include "tst_trayapp.moc"
