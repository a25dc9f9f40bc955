#include "menubar/menubarlabel.h"
#include "menubar/quelloapp.h"
#include "model/resolver.h"
#include "panel/emptystateview.h"
#include "panel/panelview.h"
#include "panel/watchlistview.h"
#include "panel/watchrow.h"
#include "panelfixture.h"

#include <QAccessible>
#include <QAccessibleActionInterface>
#include <QFile>
#include <QLabel>
#include <QLibraryInfo>
#include <QLineEdit>
#include <QMenu>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>
#include <QXmlStreamReader>

#include <memory>

using namespace Quello;
using namespace Quello::Test;

namespace {

const QString germanCatalogue = QStringLiteral(QUELLO_SOURCE_DIR "/translations/quello_de.ts");

// Each fault of a Linguist catalogue as "type: context|source": unfinished,
// vanished or obsolete, an empty translation, or placeholders (%1, %2 ...)
// other than its source's.
QStringList catalogueFaults(const QString& path) {
    QStringList faults;
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return {file.errorString()};
    QXmlStreamReader xml(&file);
    QString context;
    QString source;
    const auto placeholders = [](const QString& text) {
        QStringList found;
        for (qsizetype i = 0; i + 1 < text.size(); ++i)
            if (text[i] == u'%' && text[i + 1].isDigit())
                found.append(text.mid(i, 2));
        found.sort();
        return found;
    };
    while (!xml.atEnd()) {
        if (xml.readNext() != QXmlStreamReader::StartElement)
            continue;
        if (xml.name() == u"name") {
            context = xml.readElementText();
        } else if (xml.name() == u"source") {
            source = xml.readElementText();
        } else if (xml.name() == u"translation") {
            const QString key = context + u'|' + source;
            const QString type = xml.attributes().value(QLatin1String("type")).toString();
            const QString text = xml.readElementText(QXmlStreamReader::IncludeChildElements);
            if (!type.isEmpty() || text.trimmed().isEmpty()
                || placeholders(text) != placeholders(source))
                faults.append(type + QLatin1String(": ") + key);
        }
    }
    if (xml.hasError())
        faults.append(xml.errorString());
    return faults;
}

QStringList actionTexts(const QList<QAction*>& actions) {
    QStringList texts;
    for (const QAction* action : actions) {
        if (!action->isSeparator())
            texts.append(action->text());
    }
    return texts;
}

} // namespace

class TestTranslations : public QObject {
    Q_OBJECT

    StoreFixture m_emptyFixture;
    StoreFixture m_watchingFixture;
    std::unique_ptr<PanelView> m_emptyPanel;
    std::unique_ptr<PanelView> m_watchingPanel;
    Watch m_waiting;     // every resolver answers, not yet the expected value
    Watch m_unreachable; // no resolver answers

    WatchRow* row(const Watch& watch) const { return m_watchingPanel->listArea()->row(watch.id); }

private Q_SLOTS:
    void initTestCase() {
        // The test's environment asks for German; Quello must follow it.
        QCOMPARE(QLocale::system().language(), QLocale::German);
        QVERIFY(QuelloApp::installTranslations());
        setMotion(false);

        m_emptyPanel = std::make_unique<PanelView>(m_emptyFixture.start());

        m_waiting =
            savedWatch(QStringLiteral("example.com"), RecordType::A, QStringLiteral("192.0.2.9"));
        m_unreachable = savedWatch(QStringLiteral("down.example.net"), RecordType::A,
                                   QStringLiteral("192.0.2.9"));
        m_watchingFixture.dig.setAnswer({.output = "192.0.2.1\n"}, FakeDig::any, m_waiting.domain);
        DigStore& store = m_watchingFixture.start({m_waiting, m_unreachable});
        QVERIFY(m_watchingFixture.launchChecksDone());
        m_watchingPanel = std::make_unique<PanelView>(store);
        QVERIFY(row(m_waiting) != nullptr);
    }

    void cleanupTestCase() {
        m_watchingPanel.reset(); // before the stores they show
        m_emptyPanel.reset();
    }

    // Titles, menu items, placeholders and accessibility texts are German.
    void texts_data() {
        QTest::addColumn<QString>("shown");
        QTest::addColumn<QString>("expected");

        PanelView& panel = *m_emptyPanel;
        const QStringList menu = actionTexts(panel.actionsMenu()->actions());
        QTest::newRow("actions menu")
            << menu.join(u'|') << QStringLiteral("Jetzt alle prüfen|Quello beenden");
        QTest::newRow("placeholder") << panel.inputField()->placeholderText()
                                     << QStringLiteral("example.com  oder  example.com A 1.2.3.4");

        QTest::newRow("empty heading") << panel.listArea()->emptyState()->heading()
                                       << QStringLiteral("Noch keine Beobachtungen");

        const MenuBarLabel pending = MenuBarLabel::forPendingCount(2);
        QTest::newRow("tray label") << pending.accessibilityLabel
                                    << QStringLiteral("Quello, beobachtet die DNS-Verbreitung");

        WatchRow* waiting = row(m_waiting);
        const std::unique_ptr<QMenu> context(waiting->createContextMenu(nullptr));
        QTest::newRow("row menu") << actionTexts(context->actions()).join(u'|')
                                  << QStringLiteral("Jetzt prüfen|Wert kopieren|Entfernen");

        QStringList actionNames =
            QAccessible::queryAccessibleInterface(waiting)->actionInterface()->actionNames();
        actionNames.removeFirst(); // Qt's own press action
        QTest::newRow("row actions")
            << actionNames.join(u'|') << QStringLiteral("Jetzt prüfen|Entfernen");

        QTest::newRow("summary") << m_watchingPanel->subtitleLabel()->text()
                                 << QStringLiteral("2 werden verbreitet");

        // The resolvers' names are data, shown as they are.
        QTest::newRow("resolver name")
            << Resolver::all().front().name << QStringLiteral("This computer");
    }

    void texts() {
        QFETCH(QString, shown);
        QFETCH(QString, expected);
        QCOMPARE(shown, expected);
    }

    // The row's accessible actions answer to the German names they offer.
    void rowActionByGermanName() {
        QAccessibleInterface* accessible = QAccessible::queryAccessibleInterface(row(m_waiting));
        const qsizetype checksBefore = m_watchingFixture.dig.calls().size();
        accessible->actionInterface()->doAction(QStringLiteral("Jetzt prüfen"));
        QTRY_VERIFY(m_watchingFixture.dig.calls().size() > checksBefore);
        QVERIFY(m_watchingFixture.launchChecksDone());
    }

    // Qt's own texts in the panel, such as the input field's context menu.
    void qtTextsFollow() {
        if (!QFile::exists(QLibraryInfo::path(QLibraryInfo::TranslationsPath)
                           + QStringLiteral("/qtbase_de.qm")))
            QSKIP("Qt's German catalogue is not installed (qt6-translations-l10n)");
        const std::unique_ptr<QMenu> menu(m_emptyPanel->inputField()->createStandardContextMenu());
        QStringList texts;
        for (const QString& text : actionTexts(menu->actions()))
            texts.append(text.section(u'\t', 0, 0)); // without the shortcut
        QVERIFY2(texts.contains(QStringLiteral("&Rückgängig")), qPrintable(texts.join(u'|')));
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
        QVERIFY(QFile::copy(germanCatalogue, refreshed));
        QFile::setPermissions(refreshed, QFile::ReadOwner | QFile::WriteOwner);
        const QString src = QStringLiteral(QUELLO_SOURCE_DIR "/src");
        QProcess lupdate;
        lupdate.setProcessChannelMode(QProcess::MergedChannels);
        // Every folder under src/ holds fixed texts (the tray, the panel, the
        // notifier, quello-wait); lupdate walks them all.
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
