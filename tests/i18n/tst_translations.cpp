#include "menubar/quelloapp.h"
#include "panel/panelview.h"
#include "panel/rows/watchlistview.h"
#include "panel/rows/watchrow.h"
#include "panelfixture.h"

#include <QAccessible>
#include <QAccessibleActionInterface>
#include <QFile>
#include <QLabel>
#include <QLibraryInfo>
#include <QLineEdit>
#include <QMenu>
#include <QProcess>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QTest>

#include <memory>

using namespace Quello;
using namespace Quello::Test;

namespace {

// Each message of a Linguist catalogue that is unfinished, vanished or
// obsolete, empty, or whose placeholders (%1, %2 ...) differ from its source's.
QStringList catalogueFaults(const QString& path) {
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return {file.errorString()};
    static const QRegularExpression message(
        QStringLiteral("<source>(.*?)</source>.*?<translation([^>]*)>(.*?)</translation>"),
        QRegularExpression::DotMatchesEverythingOption);
    const auto placeholders = [](const QString& text) {
        QStringList found;
        for (const auto& match : QRegularExpression(QStringLiteral("%\\d")).globalMatch(text))
            found.append(match.captured());
        found.sort();
        return found;
    };
    QStringList faults;
    for (const auto& m : message.globalMatch(QString::fromUtf8(file.readAll()))) {
        if (!m.captured(2).isEmpty() || m.captured(3).trimmed().isEmpty()
            || placeholders(m.captured(1)) != placeholders(m.captured(3)))
            faults.append(m.captured(2) + QLatin1String(": ") + m.captured(1));
    }
    return faults;
}

QString actionTexts(const QList<QAction*>& actions) {
    QStringList texts;
    for (const QAction* action : actions) {
        if (!action->isSeparator())
            texts.append(action->text().section(u'\t', 0, 0)); // without the shortcut
    }
    return texts.join(u'|');
}

} // namespace

class TestTranslations : public QObject {
    Q_OBJECT

    StoreFixture m_fixture;
    std::unique_ptr<PanelView> m_panel;
    // Every resolver answers, not yet the expected value.
    Watch m_waiting =
        savedWatch(QStringLiteral("example.com"), RecordType::A, QStringLiteral("192.0.2.9"));

    WatchRow* row() const { return m_panel->listArea()->row(m_waiting.id); }

private Q_SLOTS:
    void initTestCase() {
        // The test's environment asks for German; Quello must follow it.
        QCOMPARE(QLocale::system().language(), QLocale::German);
        QVERIFY(QuelloApp::installTranslations());
        setMotion(false);
        m_fixture.answerAll(QStringLiteral("192.0.2.1\n"));
        m_panel = std::make_unique<PanelView>(m_fixture.start({m_waiting}));
        QVERIFY(m_fixture.launchChecksDone());
        QVERIFY(row() != nullptr);
    }

    void cleanupTestCase() { m_panel.reset(); } // before the store it shows

    // Menus and accessibility texts are German.
    void texts_data() {
        QTest::addColumn<QString>("shown");
        QTest::addColumn<QString>("expected");

        const std::unique_ptr<QMenu> context(row()->createContextMenu(nullptr));
        QTest::newRow("row menu") << actionTexts(context->actions())
                                  << QStringLiteral("Jetzt prüfen|Wert kopieren|Entfernen");
        QStringList actionNames =
            QAccessible::queryAccessibleInterface(row())->actionInterface()->actionNames();
        actionNames.removeFirst(); // Qt's own press action
        QTest::newRow("row actions")
            << actionNames.join(u'|') << QStringLiteral("Jetzt prüfen|Entfernen");
        QTest::newRow("summary") << m_panel->subtitleLabel()->text()
                                 << QStringLiteral("1 in Verbreitung");
    }

    void texts() {
        QFETCH(QString, shown);
        QFETCH(QString, expected);
        QCOMPARE(shown, expected);
    }

    // The row's accessible actions answer to the German names they offer.
    void rowActionByGermanName() {
        const qsizetype checksBefore = m_fixture.dig.calls().size();
        QAccessible::queryAccessibleInterface(row())->actionInterface()->doAction(
            QStringLiteral("Jetzt prüfen"));
        QTRY_VERIFY(m_fixture.dig.calls().size() > checksBefore);
        QVERIFY(m_fixture.launchChecksDone());
    }

    // Qt's own texts in the panel, such as the input field's context menu.
    void qtTextsFollow() {
        if (!QFile::exists(QLibraryInfo::path(QLibraryInfo::TranslationsPath)
                           + QStringLiteral("/qtbase_de.qm")))
            QSKIP("Qt's German catalogue is not installed (qt6-translations-l10n)");
        const std::unique_ptr<QMenu> menu(m_panel->inputField()->createStandardContextMenu());
        const QString texts = actionTexts(menu->actions());
        QVERIFY2(texts.contains(QStringLiteral("&Rückgängig")), qPrintable(texts));
    }

    // The refusal without a display comes before any QApplication, and is
    // German all the same.
    void earlyMessage() {
        QTemporaryDir home;
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        for (const char* name : {"DISPLAY", "WAYLAND_DISPLAY", "QT_QPA_PLATFORM"})
            env.remove(QLatin1String(name));
        env.insert(QStringLiteral("HOME"), home.path());
        env.insert(QStringLiteral("XDG_RUNTIME_DIR"), home.path());
        QProcess quello;
        quello.setProcessEnvironment(env);
        quello.start(QStringLiteral(QUELLO_BINARY), {});
        QVERIFY(quello.waitForFinished(10000)); // else killed on destruction
        QCOMPARE(quello.exitCode(), 1);
        QCOMPARE(QString::fromUtf8(quello.readAllStandardError()),
                 QStringLiteral("quello: Quello braucht eine grafische Sitzung (weder DISPLAY noch "
                                "WAYLAND_DISPLAY ist gesetzt)\n"));
    }

    // The German catalogue holds exactly the texts the sources ask for
    // (lupdate adds and drops nothing), each finished, filling in what its
    // source does.
    void cataloguesMatchSources() {
        QTemporaryDir work;
        const QString refreshed = work.filePath(QStringLiteral("quello_de.ts"));
        QVERIFY(
            QFile::copy(QStringLiteral(QUELLO_SOURCE_DIR "/translations/quello_de.ts"), refreshed));
        QFile::setPermissions(refreshed, QFile::ReadOwner | QFile::WriteOwner);
        // Every folder under src/ holds fixed texts; lupdate walks them all.
        const QString src = QStringLiteral(QUELLO_SOURCE_DIR "/src");
        QProcess lupdate;
        lupdate.setProcessChannelMode(QProcess::MergedChannels);
        lupdate.start(QStringLiteral(LUPDATE_PROGRAM),
                      {QStringLiteral("-silent"), QStringLiteral("-locations"),
                       QStringLiteral("none"), QStringLiteral("-I"), src, src,
                       QStringLiteral("-ts"), refreshed});
        QVERIFY(lupdate.waitForFinished(60000));
        QVERIFY2(lupdate.exitCode() == 0, lupdate.readAll().constData());
        // New texts come in unfinished, dropped ones as vanished.
        const QStringList faults = catalogueFaults(refreshed);
        QVERIFY2(faults.isEmpty(), qPrintable(faults.join(u'\n')));
    }
};

QTEST_MAIN(TestTranslations)
#include "tst_translations.moc"
