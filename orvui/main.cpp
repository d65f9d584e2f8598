#include "catalog.h"
#include "mainwindow.h"
#include "orvdbus.h"

#include <QApplication>
#include <QDBusConnection>
#include <QDBusError>
#include <QIcon>
#include <QLocale>
#include <QTranslator>

#include <cstdio>
#include <unistd.h>

namespace {
const char kServiceName[] = "com.velmora.orvui";
}

int main(int argc, char* argv[]) {
    // Detach from the terminal, keeping the working directory and the standard streams.
    if (daemon(1, 1) != 0) {
        perror("orvui: daemon");
        return 1;
    }

    QApplication app(argc, argv);
    // The bus layer builds the exported interface name "local.orvd.orvdbus" from it.
    QCoreApplication::setApplicationName(QStringLiteral("orvd"));
    // Closing the dialog must not end the service.
    app.setQuitOnLastWindowClosed(false);
    app.setWindowIcon(QIcon(QStringLiteral(":/icons/appicon")));

    QTranslator translator;
    if (translator.load(orvuiCatalog(QLocale::system().name()))) app.installTranslator(&translator);

    QDBusConnection bus = QDBusConnection::systemBus();
    if (!bus.isConnected()) {
        fprintf(stderr, "orvui: cannot connect to the system bus: %s\n",
                qPrintable(bus.lastError().message()));
        return 1;
    }
    if (!bus.registerService(QLatin1String(kServiceName))) {
        QString error = bus.lastError().message();
        // A name another process owns is a plain reply, not a bus error.
        if (error.isEmpty())
            error = QStringLiteral("The name %1 is already owned on the system bus")
                        .arg(QLatin1String(kServiceName));
        fprintf(stderr, "%s\n", qPrintable(error));
        return 1;
    }

    orvdbus adaptor;
    if (!bus.registerObject(QStringLiteral("/"), &adaptor, QDBusConnection::ExportAllSlots)) {
        fprintf(stderr, "orvui: cannot export the message object at /\n");
        return 1;
    }

    MainWindow window;
    QObject::connect(&adaptor, &orvdbus::messageRecieved, &window, &MainWindow::displayMessage,
                     Qt::DirectConnection);
    return app.exec();
}
