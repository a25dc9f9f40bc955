// Renders the panel in each of its states to PNG files, for the docs and for
// checking the layout by eye:
//
//   panelshots [--scale FACTOR] [output directory]
//
// Runs on the offscreen platform at device pixel ratio 2, and then once more
// at 150 % for a few states (files ending in "-150"), where fractional
// scaling shows its rounding. Every answer comes from the test suite's fake
// dig; no resolver is ever asked. The offscreen platform has no compositor,
// so every picture shows the opaque panel with its 1 px edge.

#include "fakezone.h"
#include "fixedmotion.h"
#include "panel/input/inputbar.h"
#include "panel/panelview.h"
#include "panel/rows/watchlistview.h"
#include "panel/rows/watchrow.h"
#include "store/digstore.h"
#include "storefixture.h"

#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QEnterEvent>
#include <QKeyEvent>
#include <QLineEdit>
#include <QProcess>
#include <QScrollBar>
#include <QStyle>
#include <QStyleFactory>
#include <QTextStream>
#include <QThread>

#include <functional>
#include <memory>

using namespace Quello;
using namespace Quello::Test;

namespace {

struct Scene : StoreFixture {
    std::unique_ptr<PanelView> panel;

    // One dig output per resolver in Resolver::all() order for `domain`;
    // "!" fails, "~" first keeps the query running.
    // `ttls`: how long each resolver's cache keeps its answer.
    void answer(const QString& domain, const QStringList& outputs, const QList<int>& ttls = {}) {
        StoreFixture::answer(outputs, domain, ttls);
    }
    // The resolver at `server` gets no answer, and dig says why as it does.
    void failWith(const QString& domain, const QString& server, const char* why) {
        dig.setAnswer(
            {.output = noReply(server.toLatin1().constData(), why), .status = 9, .verbatim = true},
            server, domain);
    }
    void answerAll(const QString& domain, const QString& output) {
        answer(domain, {output, output, output, output});
    }

    void start(const QList<Watch>& saved) {
        StoreFixture::start(saved);
        panel = std::make_unique<PanelView>(*store);
    }

    WatchListView* list() const { return panel->findChild<WatchListView*>(); }
    WatchRow* row(const Watch& watch) const { return list()->row(watch.id); }
};

Watch watch(const QString& domain, RecordType type = RecordType::A,
            std::optional<QString> expected = std::nullopt) {
    return Watch{QUuid::createUuid(), domain,        type,
                 std::move(expected), 700'000'000.0, std::nullopt};
}

bool waitFor(const std::function<bool()>& done, int timeoutMs = 15000) {
    QElapsedTimer timer;
    timer.start();
    while (!done()) {
        if (timer.elapsed() > timeoutMs)
            return false;
        QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
        QThread::msleep(5);
    }
    return true;
}

bool checksDone(const DigStore& store) {
    return waitFor([&] {
        return store.results().size() == store.watches().size() && store.isChecking().isEmpty();
    });
}

void hover(WatchRow* row) {
    const QPointF inside(row->width() / 2.0, 10);
    QEnterEvent enter(inside, row->mapToGlobal(inside), row->mapToGlobal(inside));
    QCoreApplication::sendEvent(row, &enter);
}

QPalette lightPalette() {
    return QApplication::style()->standardPalette();
}

QPalette darkPalette() {
    QPalette palette;
    const QColor window(38, 38, 42);
    const QColor base(28, 28, 31);
    const QColor text(235, 235, 240);
    palette.setColor(QPalette::Window, window);
    palette.setColor(QPalette::WindowText, text);
    palette.setColor(QPalette::Base, base);
    palette.setColor(QPalette::AlternateBase, window);
    palette.setColor(QPalette::Text, text);
    palette.setColor(QPalette::Button, window);
    palette.setColor(QPalette::ButtonText, text);
    palette.setColor(QPalette::ToolTipBase, base);
    palette.setColor(QPalette::ToolTipText, text);
    palette.setColor(QPalette::PlaceholderText, QColor(150, 150, 158));
    palette.setColor(QPalette::Highlight, QColor(176, 107, 255));
    palette.setColor(QPalette::HighlightedText, Qt::white);
    palette.setColor(QPalette::Light, QColor(70, 70, 76));
    palette.setColor(QPalette::Midlight, QColor(56, 56, 62));
    palette.setColor(QPalette::Mid, QColor(48, 48, 52));
    palette.setColor(QPalette::Dark, QColor(20, 20, 22));
    palette.setColor(QPalette::Shadow, Qt::black);
    palette.setColor(QPalette::Disabled, QPalette::WindowText, QColor(120, 120, 126));
    palette.setColor(QPalette::Disabled, QPalette::Text, QColor(120, 120, 126));
    return palette;
}

const QString dkim =
    QStringLiteral("\"v=DKIM1; k=rsa; p=MIIBIjANBgkqhkiG9w0BAQEFAAOCAQ8AMIIBCgKCAQEAu5dZ3x7Qb0vP"
                   "kM2c9Rz8yLwT4eHn1sJq6VfA0oXgB3iU7mN2pKc8dE5rT9yWz1QxHs4LjO6vGaYb0nFt\"\n");

struct State {
    QString name;
    std::function<bool(Scene&)> build; // false: the state could not be reached
};

QList<State> states() {
    const QString one = QStringLiteral("192.0.2.1\n");
    // A list longer than the panel shows, every watch settled.
    // Two watches whose resolvers all agree.
    const auto twoSettled = [one](Scene& scene) {
        const Watch a = watch(QStringLiteral("example.com"));
        const Watch b = watch(QStringLiteral("example.org"), RecordType::MX);
        scene.answerAll(a.domain, one);
        scene.answerAll(b.domain, QStringLiteral("10 mail.example.org.\n"));
        scene.start({a, b});
        return checksDone(*scene.store);
    };
    const auto manyHosts = [one](Scene& scene) {
        QList<Watch> watches;
        for (int i = 1; i <= 14; ++i)
            watches.append(watch(QStringLiteral("host%1.example.com").arg(i)));
        scene.answerAll(QStringLiteral("any"), one);
        scene.start(watches);
        return checksDone(*scene.store);
    };
    return {
        {QStringLiteral("empty"),
         [](Scene& scene) {
             scene.start({});
             return true;
         }},
        {QStringLiteral("pending"),
         [one](Scene& scene) {
             // The resolvers disagree while the change spreads; the next
             // line is being typed.
             const Watch a = watch(QStringLiteral("example.com"));
             const Watch b = watch(QStringLiteral("example.org"), RecordType::MX);
             const QString mx = QStringLiteral("10 mail.example.org.\n");
             scene.answer(a.domain,
                          {one, QStringLiteral("192.0.2.9\n"), one, QStringLiteral("192.0.2.9\n")});
             scene.answer(b.domain, {mx, mx, QString(), mx});
             scene.start({a, b});
             scene.panel->inputField()->setText(QStringLiteral("example.net A 192.0.2.7"));
             return checksDone(*scene.store);
         }},
        {QStringLiteral("checking"),
         [one](Scene& scene) {
             const Watch w = watch(QStringLiteral("example.com"), RecordType::AAAA);
             scene.answer(w.domain, {QStringLiteral("~"), QStringLiteral("~"), QStringLiteral("~"),
                                     QStringLiteral("~")});
             scene.start({w});
             return waitFor([&] { return scene.store->isChecking().contains(w.id); });
         }},
        {QStringLiteral("settled"),
         [one](Scene& scene) {
             const Watch a = watch(QStringLiteral("example.com"));
             const Watch b = watch(QStringLiteral("www.example.com"), RecordType::CNAME);
             const Watch c =
                 watch(QStringLiteral("example.org"), RecordType::A, QStringLiteral("192.0.2.1"));
             scene.answerAll(a.domain, QStringLiteral("192.0.2.2\n192.0.2.1\n"));
             scene.answerAll(b.domain, QStringLiteral("example.com.\n"));
             scene.answerAll(c.domain, one);
             scene.start({a, b, c});
             if (!checksDone(*scene.store))
                 return false;
             hover(scene.row(b));
             return true;
         }},
        {QStringLiteral("unreachable"),
         [one](Scene& scene) {
             const Watch w = watch(QStringLiteral("example.com"));
             scene.answer(w.domain, {one, QStringLiteral("!"), one, QString()});
             scene.failWith(w.domain, QStringLiteral("1.1.1.1"), "host unreachable");
             scene.start({w});
             if (!checksDone(*scene.store))
                 return false;
             scene.row(w)->setExpanded(true);
             return true;
         }},
        {QStringLiteral("offline"),
         [twoSettled](Scene& scene) {
             if (!twoSettled(scene))
                 return false;
             scene.connectivity.set(Connectivity::State::Offline);
             return true;
         }},
        {QStringLiteral("idn-suggestion"),
         [one](Scene& scene) {
             const Watch w = watch(QStringLiteral("example.com"));
             scene.answerAll(w.domain, one);
             scene.start({w});
             scene.panel->inputField()->setText(
                 QStringLiteral("b\u00FCcher.example.test A 192.0.2.1"));
             return checksDone(*scene.store);
         }},
        {QStringLiteral("ace-name"),
         [one](Scene& scene) {
             const Watch a = watch(QStringLiteral("xn--bcher-kva.example.test"), RecordType::A,
                                   QStringLiteral("192.0.2.1"));
             const Watch b = watch(QStringLiteral("xn--mnchen-3ya.de"), RecordType::MX);
             scene.answerAll(a.domain, one);
             scene.answerAll(b.domain, QStringLiteral("10 mail.xn--mnchen-3ya.de.\n"));
             scene.start({a, b});
             return checksDone(*scene.store);
         }},
        {QStringLiteral("expected-not-met"),
         [one](Scene& scene) {
             const Watch w =
                 watch(QStringLiteral("example.com"), RecordType::A, QStringLiteral("192.0.2.7"));
             scene.answer(w.domain, {one, one, QStringLiteral("192.0.2.7\n"), one});
             scene.start({w});
             if (!checksDone(*scene.store))
                 return false;
             scene.row(w)->setExpanded(true);
             return true;
         }},
        {QStringLiteral("long-txt"),
         [](Scene& scene) {
             const Watch w =
                 watch(QStringLiteral("selector1._domainkey.example.com"), RecordType::TXT);
             scene.answer(w.domain, {dkim, dkim, QStringLiteral("!"), dkim});
             scene.failWith(w.domain, QStringLiteral("8.8.8.8"), "timed out");
             scene.start({w});
             if (!checksDone(*scene.store))
                 return false;
             scene.row(w)->setExpanded(true);
             return true;
         }},
        {QStringLiteral("expanded"),
         [one](Scene& scene) {
             const Watch first = watch(QStringLiteral("example.com"));
             const Watch second = watch(QStringLiteral("example.net"), RecordType::NS);
             scene.answer(first.domain, {one, one, one, QStringLiteral("192.0.2.9\n")});
             scene.answer(second.domain, {QStringLiteral("~"), QStringLiteral("~"),
                                          QStringLiteral("~"), QStringLiteral("~")});
             scene.start({first, second});
             if (!waitFor([&] { return scene.store->results().contains(first.id); }))
                 return false;
             scene.row(first)->setExpanded(true);
             scene.row(second)->setExpanded(true);
             return true;
         }},
        {QStringLiteral("source"),
         [one](Scene& scene) {
             // The zone's servers beside the caches: all four still hold the
             // answer being replaced; a challenge lags on ns2.
             const Watch a = watch(QStringLiteral("www.example.test"));
             const Watch b = watch(QStringLiteral("_acme-challenge.example.test"), RecordType::TXT,
                                   QStringLiteral("k3y-4uth"));
             const FakeZone zone{scene.dig};
             zone.publish(a.domain);
             zone.publish(b.domain);
             for (const QString& server : {FakeZone::ns1, FakeZone::ns2})
                 zone.serve(server, a.domain, QStringLiteral("A"), {QStringLiteral("192.0.2.2")},
                            2026120702);
             zone.serve(FakeZone::ns1, b.domain, QStringLiteral("TXT"),
                        {QStringLiteral("\"k3y-4uth\"")}, 2026120702);
             zone.serve(FakeZone::ns2, b.domain, QStringLiteral("TXT"), {}, 2026120701);
             scene.answerAll(a.domain, one);
             scene.answerAll(b.domain, QString());
             scene.start({a, b});
             if (!checksDone(*scene.store))
                 return false;
             scene.row(a)->setExpanded(true);
             scene.row(b)->setExpanded(true);
             return true;
         }},
        {QStringLiteral("focused"),
         [twoSettled](Scene& scene) {
             // Tab from the field to the list: the keyboard's focus ring.
             if (!twoSettled(scene))
                 return false;
             scene.panel->show();
             scene.panel->activateWindow();
             scene.panel->takeInitialFocus();
             QCoreApplication::processEvents();
             QKeyEvent tab(QEvent::KeyPress, Qt::Key_Tab, Qt::NoModifier);
             QCoreApplication::sendEvent(scene.panel->inputField(), &tab);
             return waitFor(
                 [] { return qobject_cast<WatchRow*>(QApplication::focusWidget()) != nullptr; });
         }},
        {QStringLiteral("countdown"),
         [](Scene& scene) {
             // A new address spreads: Quad9's cache keeps the old one and
             // Google's still holds "no such name" from before it existed.
             // Ten seconds later the second watch's last cache has let go.
             const QString fresh = QStringLiteral("192.0.2.7\n");
             const Watch a =
                 watch(QStringLiteral("example.com"), RecordType::A, QStringLiteral("192.0.2.7"));
             const Watch b = watch(QStringLiteral("example.org"), RecordType::TXT);
             const QString txt = QStringLiteral("\"v=spf1 -all\"\n");
             scene.answer(
                 a.domain,
                 {fresh, fresh, QStringLiteral("?NXDOMAIN"), QStringLiteral("192.0.2.1\n")},
                 {300, 300, 55, 172});
             scene.answer(b.domain, {txt, txt, txt, QStringLiteral("\"v=spf1 ~all\"\n")},
                          {3600, 3600, 3600, 8});
             scene.start({a, b});
             if (!checksDone(*scene.store))
                 return false;
             scene.clock.setNow(scene.clock.now() + 10);
             scene.row(a)->setExpanded(true);
             return true;
         }},
        {QStringLiteral("many"), manyHosts},
        {QStringLiteral("scrolled"),
         [manyHosts](Scene& scene) {
             if (!manyHosts(scene))
                 return false;
             // Partway down: both edges fade and the overlay bar shows.
             scene.panel->show();
             QCoreApplication::processEvents();
             auto* list = scene.panel->findChild<WatchListView*>();
             list->verticalScrollBar()->setValue(list->verticalScrollBar()->maximum() / 2);
             return true;
         }},
    };
}

bool render(const State& state, const QString& theme, const QString& directory,
            const QString& suffix) {
    Scene scene;
    if (!state.build(scene)) {
        QTextStream(stderr) << "panelshots: " << state.name << " did not come about\n";
        return false;
    }
    PanelView& panel = *scene.panel;
    panel.show();
    // Let the list measure itself and the column follow it.
    for (int i = 0; i < 5; ++i) {
        QCoreApplication::processEvents();
        panel.adjustSize();
    }
    const QString path = QDir(directory).filePath(
        QStringLiteral("panel-%1-%2%3.png").arg(state.name, theme, suffix));
    if (!panel.grab().toImage().save(path, "PNG", 0)) {
        QTextStream(stderr) << "panelshots: cannot write " << path << '\n';
        return false;
    }
    QTextStream(stdout) << path << '\n';
    return true;
}

} // namespace

int main(int argc, char* argv[]) {
    QStringList arguments;
    for (int i = 1; i < argc; ++i)
        arguments.append(QString::fromLocal8Bit(argv[i]));
    // The docs' pictures are at 2; another scale renders a few states only.
    QString scale = QStringLiteral("2");
    if (arguments.size() >= 2 && arguments.first() == QLatin1String("--scale")) {
        scale = arguments.at(1);
        arguments.remove(0, 2);
    }
    const bool fullSet = scale == QLatin1String("2");
    const QString suffix =
        fullSet ? QString() : QStringLiteral("-%1").arg(qRound(scale.toDouble() * 100));

    // Offscreen and sharp, whatever the caller's session.
    qputenv("QT_QPA_PLATFORM", "offscreen");
    qputenv("QT_SCALE_FACTOR", scale.toLocal8Bit());
    QApplication app(argc, argv);
    QApplication::setStyle(QStyleFactory::create(QStringLiteral("Fusion")));
    // Every picture shows a state at rest.
    setMotion(false);

    const QString directory =
        !arguments.isEmpty() ? arguments.first() : QStringLiteral(PANELSHOTS_DEFAULT_OUTPUT);
    QDir().mkpath(directory);

    const QStringList fractional{QStringLiteral("settled"), QStringLiteral("expanded")};
    bool ok = true;
    const QList<std::pair<QString, QPalette>> themes{{QStringLiteral("light"), lightPalette()},
                                                     {QStringLiteral("dark"), darkPalette()}};
    for (const auto& [theme, palette] : themes) {
        QApplication::setPalette(palette);
        for (const State& state : states()) {
            if (fullSet || fractional.contains(state.name))
                ok = render(state, theme, directory, suffix) && ok;
        }
    }
    // The scale factor is read once at start-up: 150 % takes a run of its own.
    if (fullSet) {
        ok = QProcess::execute(QCoreApplication::applicationFilePath(),
                               {QStringLiteral("--scale"), QStringLiteral("1.5"), directory})
                 == 0
             && ok;
    }
    return ok ? 0 : 1;
}
