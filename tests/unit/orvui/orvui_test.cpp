// The notice window's parts: catalogs, the text rules, which notices reach the
// logged-in user, and a call over a private bus standing in for the system bus.
#include "catalog.h"
#include "notice.h"
#include "mainwindow.h"
#include "orvdbus.h"

#include <QApplication>
#include <QDBusConnection>
#include <QLabel>
#include <QProcess>
#include <QTemporaryDir>
#include <QTranslator>
#include <QtTest>

#include <memory>

namespace {

const QString kCanceled = QStringLiteral("Printing is canceled.");
const QString kRestrictions = QStringLiteral("You have the following print restrictions:\n");
const QString kQuota = QStringLiteral("This job will be canceled because you have reached one or "
                                      "more of your quotas.\nContact your administrator for "
                                      "further information.");
const QString kDefaultText =
    QStringLiteral("This is the default message, it should never be visible");

// Every text the window translates, with its context.
const QList<QPair<const char*, const char*>> kSourceTexts = {
    {"MainWindow", "Orvex"},
    {"QObject", "Unable to connect to the server."},
    {"QObject", "Login failed. The user name or password you entered is incorrect."},
    {"QObject", "Printing is canceled"},
    {"QObject", "You do not have permission to print."},
    {"QObject", "This job will be canceled because you have reached one or more of your "
                "quotas.\nContact your administrator for further information."},
    {"QObject", "Not enough credit is available to print this job. Recharge your credit."},
    {"QObject", "You have the following print restrictions:"},
    {"QObject", "Duplex"},
    {"QObject", "Color"},
    {"QObject", "Ecoprint"},
};

QLabel* messageLabel(MainWindow& w) {
    return w.findChild<QLabel*>(QStringLiteral("lblMessage"));
}

// Installs one embedded catalog for the lifetime of the object.
class Catalog {
  public:
    explicit Catalog(const QString& path) {
        m_ok = m_translator.load(path);
        if (m_ok) QCoreApplication::installTranslator(&m_translator);
    }
    ~Catalog() { QCoreApplication::removeTranslator(&m_translator); }
    bool ok() const { return m_ok; }

  private:
    QTranslator m_translator;
    bool m_ok = false;
};

} // namespace

class OrvuiTest : public QObject {
    Q_OBJECT

  private slots:
    void initTestCase();
    void cleanupTestCase();
    void catalogChoice_data();
    void catalogChoice();
    void everyCatalogTranslatesEveryText_data();
    void everyCatalogTranslatesEveryText();
    void rules_data();
    void rules();
    void translatedRules_data();
    void translatedRules();
    void delivery_data();
    void delivery();
    void busCall_data();
    void busCall();
    void filterNotice();

  private:
    QTemporaryDir m_busDir;
    QProcess m_bus;
    QString m_busAddress;
};

void OrvuiTest::initTestCase() {
    // The exported interface name derives from it, as in the program.
    QCoreApplication::setApplicationName(QStringLiteral("orvd"));

    // A private dbus-daemon standing in for the system bus.
    QVERIFY(m_busDir.isValid());
    QFile conf(m_busDir.filePath(QStringLiteral("bus.conf")));
    QVERIFY(conf.open(QIODevice::WriteOnly));
    conf.write(QStringLiteral("<busconfig><type>system</type><listen>unix:dir=%1</listen>"
                              "<auth>EXTERNAL</auth><policy context=\"default\">"
                              "<allow user=\"*\"/><allow own=\"*\"/>"
                              "<allow send_destination=\"*\"/><allow receive_sender=\"*\"/>"
                              "</policy></busconfig>")
                   .arg(m_busDir.path())
                   .toUtf8());
    conf.close();
    m_bus.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    m_bus.start(QStringLiteral("dbus-daemon"),
                {QStringLiteral("--nofork"), QStringLiteral("--print-address=1"),
                 QStringLiteral("--config-file=") + conf.fileName()});
    QVERIFY(m_bus.waitForStarted());
    QVERIFY(m_bus.waitForReadyRead(10000));
    m_busAddress = QString::fromUtf8(m_bus.readLine()).trimmed();
    QVERIFY(m_busAddress.startsWith(QLatin1String("unix:")));
}

void OrvuiTest::cleanupTestCase() {
    QDBusConnection::disconnectFromBus(QStringLiteral("testbus"));
    if (m_bus.state() != QProcess::NotRunning) {
        m_bus.terminate();
        m_bus.waitForFinished(5000);
    }
}

void OrvuiTest::catalogChoice_data() {
    QTest::addColumn<QString>("locale");
    QTest::addColumn<QString>("catalog");
    QTest::newRow("german") << "de_DE"
                            << ":/strings/german";
    QTest::newRow("french in Canada") << "fr_CA"
                                      << ":/strings/french";
    QTest::newRow("portuguese in Brazil") << "pt_BR"
                                          << ":/strings/portuguese";
    QTest::newRow("spanish without country") << "es"
                                             << ":/strings/spanish";
    QTest::newRow("italian") << "it_IT"
                             << ":/strings/italian";
    QTest::newRow("english") << "en_GB"
                             << ":/strings/english";
    QTest::newRow("no catalog for dutch") << "nl_NL"
                                          << ":/strings/english";
    QTest::newRow("C locale") << "C"
                              << ":/strings/english";
    QTest::newRow("language only matches before _") << "fre_FR"
                                                    << ":/strings/english";
}

void OrvuiTest::catalogChoice() {
    QFETCH(QString, locale);
    QFETCH(QString, catalog);
    QCOMPARE(orvuiCatalog(locale), catalog);
}

void OrvuiTest::everyCatalogTranslatesEveryText_data() {
    QTest::addColumn<QString>("catalog");
    for (const char* name : {"english", "french", "german", "italian", "portuguese", "spanish"})
        QTest::newRow(name) << QStringLiteral(":/strings/") + QLatin1String(name);
}

void OrvuiTest::everyCatalogTranslatesEveryText() {
    QFETCH(QString, catalog);
    QTranslator translator;
    QVERIFY2(translator.load(catalog), qPrintable(catalog));
    for (const auto& text : kSourceTexts)
        QVERIFY2(!translator.translate(text.first, text.second).isEmpty(),
                 qPrintable(QStringLiteral("%1: %2").arg(text.first, text.second)));
    QCOMPARE(translator.translate("MainWindow", "Orvex"), QStringLiteral("Orvex"));
    QCOMPARE(translator.translate("QObject", "Ecoprint"), QStringLiteral("Ecoprint"));
}

void OrvuiTest::rules_data() {
    QTest::addColumn<QString>("reason");
    QTest::addColumn<QString>("text");
    const QString restrictionsEnd = QStringLiteral("\n") + kCanceled;
    QTest::newRow("connection") << "Connection"
                                << "Unable to connect to the server.\n" + kCanceled;
    QTest::newRow("login") << "Login"
                           << "Login failed. The user name or password you entered is "
                              "incorrect.\n" +
                                  kCanceled;
    QTest::newRow("connection is exact case") << "connection" << QString();
    QTest::newRow("login is exact case") << "LOGIN" << QString();
    QTest::newRow("first rule wins") << "Quota Login"
                                     << "Login failed. The user name or "
                                        "password you entered is incorrect.\n" +
                                            kCanceled;
    QTest::newRow("printer in any case") << "pRiNtEr"
                                         << "You do not have permission to print.";
    QTest::newRow("printer before quota") << "Quota Printer"
                                          << "You do not have permission to print.";
    QTest::newRow("quota in any case") << "QUOTA" << kQuota;
    QTest::newRow("credit") << "Credit"
                            << "Not enough credit is available to print this job. Recharge "
                               "your credit.";
    QTest::newRow("colour item alone")
        << "\nColor Mode" << kRestrictions + "- Color\n" + restrictionsEnd;
    QTest::newRow("duplex item alone")
        << "\nDuplex" << kRestrictions + "- Duplex\n" + restrictionsEnd;
    QTest::newRow("items come duplex first")
        << "\nColor Mode\nDuplex" << kRestrictions + "- Duplex\n- Color\n" + restrictionsEnd;
    QTest::newRow("all three items in any case")
        << "ecoprint COLOR duplex"
        << kRestrictions + "- Duplex\n- Color\n- Ecoprint\n" + restrictionsEnd;
    QTest::newRow("unknown reason") << "Something" << QString();
    QTest::newRow("empty reason") << "" << QString();
}

void OrvuiTest::rules() {
    QFETCH(QString, reason);
    QFETCH(QString, text);
    Catalog english(QStringLiteral(":/strings/english"));
    QVERIFY(english.ok());
    MainWindow w;
    QCOMPARE(w.generateDisplayMessage(reason), text);
}

void OrvuiTest::translatedRules_data() {
    QTest::addColumn<QString>("catalog");
    QTest::addColumn<QString>("reason");
    QTest::addColumn<QString>("text");
    QTest::newRow("french restrictions, no-break space before the colon")
        << "french"
        << "\nColor Mode\nDuplex"
        << QStringLiteral("Restrictions d'impression applicables\u00a0:\n- Mode Recto/Verso\n"
                          "- Couleur\n\nL'impression est annulée.");
    QTest::newRow("german connection")
        << "german"
        << "Connection"
        << QStringLiteral("Verbindung zum Server nicht möglich.\nDruckvorgang ist abgebrochen.");
    QTest::newRow("italian quota")
        << "italian"
        << "Quota"
        << QStringLiteral("Questo lavoro verrà annullato perché sono state raggiunte una o più "
                          "quote.\nContattare l'amministratore per ulteriori informazioni.");
    QTest::newRow("portuguese credit")
        << "portuguese"
        << "Credit"
        << QStringLiteral("Não há créditos suficientes disponíveis para este trabalho de "
                          "impressão. Recarregue seu crédito.");
    QTest::newRow("spanish duplex")
        << "spanish"
        << "\nDuplex"
        << QStringLiteral("Tiene las siguientes restricciones de impresión:\n- Doble\n\n"
                          "Impresión cancelada.");
}

void OrvuiTest::translatedRules() {
    QFETCH(QString, catalog);
    QFETCH(QString, reason);
    QFETCH(QString, text);
    Catalog c(QStringLiteral(":/strings/") + catalog);
    QVERIFY(c.ok());
    MainWindow w;
    QCOMPARE(w.generateDisplayMessage(reason), text);
}

void OrvuiTest::delivery_data() {
    QTest::addColumn<bool>("userSet");
    QTest::addColumn<QString>("user");
    QTest::addColumn<QString>("notice");
    QTest::addColumn<QString>("shown"); // null: the window stays as it was

    QTest::newRow("own notice") << true << "alice"
                                << "Connection alice"
                                << "Unable to connect to the server.\n" + kCanceled;
    QTest::newRow("restriction items for own user")
        << true << "alice"
        << "\nDuplex\nColor Mode alice" << kRestrictions + "- Duplex\n- Color\n\n" + kCanceled;
    QTest::newRow("unknown reason shows empty text") << true << "alice"
                                                     << "Hello alice"
                                                     << "";
    QTest::newRow("another user's notice") << true << "alice"
                                           << "Login bob" << QString();
    QTest::newRow("user name only a suffix of the named user") << true << "alice"
                                                               << "Connection malice" << QString();
    QTest::newRow("user name only a prefix of the named user") << true << "alice"
                                                               << "Connection alice2" << QString();
    QTest::newRow("user name inside the reason") << true << "alice"
                                                 << "alice Login bob" << QString();
    QTest::newRow("user name is case-sensitive") << true << "alice"
                                                 << "Connection Alice" << QString();
    QTest::newRow("empty USER receives nothing") << true << ""
                                                 << "Connection alice" << QString();
    QTest::newRow("unset USER receives nothing") << false << ""
                                                 << "Connection " << QString();
    // The reason words are not searched in the user name.
    QTest::newRow("user printer1 with a quota notice") << true << "printer1"
                                                       << "Quota printer1" << kQuota;
    QTest::newRow("user printer1 with a colour notice")
        << true << "printer1"
        << "\nColor Mode printer1" << kRestrictions + "- Color\n\n" + kCanceled;
}

void OrvuiTest::delivery() {
    QFETCH(bool, userSet);
    QFETCH(QString, user);
    QFETCH(QString, notice);
    QFETCH(QString, shown);
    Catalog english(QStringLiteral(":/strings/english"));
    const QByteArray savedUser = qgetenv("USER");
    if (userSet)
        qputenv("USER", user.toLocal8Bit());
    else
        qunsetenv("USER");

    MainWindow w;
    w.displayMessage(notice);
    qputenv("USER", savedUser);

    QCOMPARE(w.isVisible(), !shown.isNull());
    QCOMPARE(messageLabel(w)->text(), shown.isNull() ? kDefaultText : shown);
}

void OrvuiTest::busCall_data() {
    QTest::addColumn<QString>("catalog");
    QTest::addColumn<QString>("notice");
    QTest::addColumn<QString>("shown"); // null: the window stays hidden
    QTest::newRow("english") << "english"
                             << "\nColor Mode\nDuplex alice"
                             << kRestrictions + "- Duplex\n- Color\n\n" + kCanceled;
    QTest::newRow("french")
        << "french"
        << "Login alice"
        << QStringLiteral("Échec de la connexion. Le nom d'utilisateur ou le mot de passe saisi "
                          "est incorrect.\nL'impression est annulée.");
    QTest::newRow("another user") << "english"
                                  << "Login bob" << QString();
}

// A filter-style call from an independent client reaches the window.
void OrvuiTest::busCall() {
    QFETCH(QString, catalog);
    QFETCH(QString, notice);
    QFETCH(QString, shown);
    Catalog c(QStringLiteral(":/strings/") + catalog);
    QVERIFY(c.ok());
    const QByteArray savedUser = qgetenv("USER");
    qputenv("USER", "alice");

    QDBusConnection bus = QDBusConnection::connectToBus(m_busAddress, QStringLiteral("testbus"));
    QVERIFY(bus.isConnected());
    QVERIFY(bus.registerService(QStringLiteral("com.velmora.orvui")));
    orvdbus adaptor;
    QVERIFY(bus.registerObject(QStringLiteral("/"), &adaptor, QDBusConnection::ExportAllSlots));
    MainWindow w;
    connect(&adaptor, &orvdbus::messageRecieved, &w, &MainWindow::displayMessage,
            Qt::DirectConnection);

    QProcess client;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("DBUS_SYSTEM_BUS_ADDRESS"), m_busAddress);
    client.setProcessEnvironment(env);
    client.start(QStringLiteral("dbus-send"),
                 {QStringLiteral("--system"), QStringLiteral("--print-reply"),
                  QStringLiteral("--dest=com.velmora.orvui"), QStringLiteral("/"),
                  QStringLiteral("local.orvd.orvdbus.showMessage"),
                  QStringLiteral("string:") + notice});
    // The event loop must run to serve the call while the client waits.
    QTRY_COMPARE_WITH_TIMEOUT(client.state(), QProcess::NotRunning, 20000);
    const QString reply = QString::fromUtf8(client.readAllStandardOutput());
    bus.unregisterObject(QStringLiteral("/"));
    bus.unregisterService(QStringLiteral("com.velmora.orvui"));
    qputenv("USER", savedUser);

    QCOMPARE(client.exitCode(), 0);
    QVERIFY2(reply.contains(QStringLiteral("string \"ping(\"%1\") got called\"").arg(notice)),
             qPrintable(reply));
    QCOMPARE(w.isVisible(), !shown.isNull());
    QCOMPARE(messageLabel(w)->text(), shown.isNull() ? kDefaultText : shown);
}

// The filters' own sender reaches the window.
void OrvuiTest::filterNotice() {
    Catalog english(QStringLiteral(":/strings/english"));
    const QByteArray savedUser = qgetenv("USER");
    const QByteArray savedBus = qgetenv("DBUS_SYSTEM_BUS_ADDRESS");
    qputenv("USER", "alice");
    qputenv("DBUS_SYSTEM_BUS_ADDRESS", m_busAddress.toUtf8());

    QDBusConnection bus = QDBusConnection::connectToBus(m_busAddress, QStringLiteral("testbus"));
    QVERIFY(bus.registerService(QStringLiteral("com.velmora.orvui")));
    orvdbus adaptor;
    QVERIFY(bus.registerObject(QStringLiteral("/"), &adaptor, QDBusConnection::ExportAllSlots));
    MainWindow w;
    connect(&adaptor, &orvdbus::messageRecieved, &w, &MainWindow::displayMessage,
            Qt::DirectConnection);

    std::string log;
    const bool sent = vel::sendNotice(vel::noticeText("Credit", "alice"),
                                      [&log](std::string_view line) { log += line; });
    QVERIFY2(sent, log.c_str());
    QTRY_VERIFY_WITH_TIMEOUT(w.isVisible(), 20000);
    bus.unregisterObject(QStringLiteral("/"));
    bus.unregisterService(QStringLiteral("com.velmora.orvui"));
    qputenv("USER", savedUser);
    qputenv("DBUS_SYSTEM_BUS_ADDRESS", savedBus);

    QCOMPARE(messageLabel(w)->text(),
             QStringLiteral("Not enough credit is available to print this job. Recharge your "
                            "credit."));
}

QTEST_MAIN(OrvuiTest)
#include "orvui_test.moc"
