#include "query/digrunner.h"
#include "wait/signalpipe.h"
#include "wait/waitcommand.h"

#include <QCoreApplication>
#include <QLocale>
#include <QTranslator>

using namespace Quello;

int main(int argc, char* argv[]) {
    QCoreApplication app(argc, argv);
    // The tray's catalogue, built in: it holds these texts too.
    QTranslator translator;
    if (translator.load(QLocale(), QStringLiteral("quello"), QStringLiteral("_"),
                        QStringLiteral(":/i18n")))
        QCoreApplication::installTranslator(&translator);

    SignalPipe signalPipe;
    WaitCommand command(DigRunner::defaultProgram.toString());
    QObject::connect(&command, &WaitCommand::finished, &app, &QCoreApplication::exit,
                     Qt::QueuedConnection);
    QObject::connect(&signalPipe, &SignalPipe::received, &command, &WaitCommand::interrupt);

    QStringList arguments = QCoreApplication::arguments();
    arguments.removeFirst();
    if (const std::optional<int> status = command.start(arguments))
        return *status;
    return QCoreApplication::exec();
}
