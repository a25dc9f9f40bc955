// The panel on the offscreen platform, over a store with many watches.
//
//   quello_bench_panel [--watches N] [--opens K] [--updates U]
//
// Opening: from constructing a PanelView to the end of its first paint.
// Prints "open_ms X" for each of K opens (the first one is the cold one),
// with "construct_ms X" (the constructor alone) and "open_rss_kib X" (what
// the open added to the resident set), then "reshow_ms X" for showing the
// last one again after hiding it, which is what opening costs once built.
// Updating: from the store's resultsChanged for one row until the posted
// events it caused (layout, repaint) have been handled. Prints "update_ms X"
// for each of U updates, taken on the rows at the top of the list.
//
// The watches are answered by a throw-away script instead of dig: what is
// measured here is the views, not the resolvers.

#include "common/quietclock.h"
#include "common/watchfactory.h"
#include "fakenotifier.h"
#include "memorysettingsstore.h"
#include "model/watchlistcodec.h"
#include "panel/panelview.h"
#include "store/digstore.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QEvent>
#include <QEventLoop>
#include <QFile>
#include <QTemporaryDir>
#include <QTimer>

#include <cstdio>
#include <memory>

using namespace Quello;

namespace {

double elapsedMs(const QElapsedTimer& timer) {
    return static_cast<double>(timer.nsecsElapsed()) / 1e6;
}

void print(const char* key, double value) {
    std::printf("%s %.3f\n", key, value);
    std::fflush(stdout);
}

// Notes when its widget has been painted.
class PaintWatcher : public QObject {
public:
    using QObject::QObject;
    bool painted = false;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override {
        if (event->type() == QEvent::Paint)
            painted = true;
        return QObject::eventFilter(watched, event);
    }
};

// Handles what is waiting now, and what that posts in turn.
void drainPostedEvents() {
    for (int i = 0; i < 3; ++i) {
        QCoreApplication::sendPostedEvents();
        QCoreApplication::processEvents(QEventLoop::AllEvents);
    }
}

// VmRSS of this process.
long residentKib() {
    QFile status(QStringLiteral("/proc/self/status"));
    if (!status.open(QIODevice::ReadOnly))
        return 0;
    for (const QByteArray& line : status.readAll().split('\n')) {
        if (line.startsWith("VmRSS:"))
            return line.mid(6).trimmed().split(' ').constFirst().toLong();
    }
    return 0;
}

int optionValue(const QStringList& args, const QString& name, int fallback) {
    const qsizetype at = args.indexOf(name);
    return at >= 0 && at + 1 < args.size() ? args.at(at + 1).toInt() : fallback;
}

} // namespace

int main(int argc, char* argv[]) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    const QStringList args = QCoreApplication::arguments();
    const int watchCount = optionValue(args, QStringLiteral("--watches"), 500);
    const int opens = optionValue(args, QStringLiteral("--opens"), 5);
    const int updates = optionValue(args, QStringLiteral("--updates"), 40);

    QTemporaryDir dir;
    const QString answer = dir.filePath(QStringLiteral("dig"));
    {
        QFile script(answer);
        if (!script.open(QIODevice::WriteOnly))
            return 1;
        script.write("#!/bin/sh\necho 192.0.2.1\n");
        script.setPermissions(QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    }

    Test::MemorySettingsStore settings;
    Test::FakeNotifier notifier;
    Bench::QuietClock clock;
    const QList<Watch> watches = Bench::makeWatches(watchCount, true);
    settings.values.insert(DigStore::settingsKey, WatchListCodec::encode(watches));
    DigStore store(StoreServices{settings, notifier, clock, answer});

    // Connected before any view, so it runs before theirs.
    QElapsedTimer update;
    QObject::connect(&store, &DigStore::resultsChanged, &app, [&update] { update.start(); });

    if (!Bench::waitUntilChecked(store))
        return 1;

    std::unique_ptr<PanelView> view;
    for (int round = 0; round < opens; ++round) {
        view.reset();
        drainPostedEvents();
        PaintWatcher watcher;
        QElapsedTimer timer;
        timer.start();
        const long rssBefore = residentKib();
        view = std::make_unique<PanelView>(store);
        print("construct_ms", elapsedMs(timer));
        view->installEventFilter(&watcher);
        view->show();
        while (!watcher.painted && timer.elapsed() < 10'000)
            QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
        print("open_ms", elapsedMs(timer));
        print("open_rss_kib", static_cast<double>(residentKib() - rssBefore));
        view->removeEventFilter(&watcher);
    }
    if (!view)
        return 0;

    // The application builds its panel once and only shows and hides it.
    for (int round = 0; round < opens; ++round) {
        view->hide();
        drainPostedEvents();
        PaintWatcher watcher;
        view->installEventFilter(&watcher);
        QElapsedTimer timer;
        timer.start();
        view->show();
        while (!watcher.painted && timer.elapsed() < 10'000)
            QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
        print("reshow_ms", elapsedMs(timer));
        view->removeEventFilter(&watcher);
    }

    for (int round = 0; round < updates && !watches.isEmpty(); ++round) {
        drainPostedEvents();
        QEventLoop loop;
        store.check(watches.at(round % std::min<qsizetype>(5, watches.size())).id, [&] {
            drainPostedEvents();
            print("update_ms", elapsedMs(update));
            loop.quit();
        });
        loop.exec();
    }
    return 0;
}
