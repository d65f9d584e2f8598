#include "mainwindow.h"

#include <QDebug>
#include <QLabel>
#include <QVBoxLayout>

MainWindow::MainWindow() : QDialog(nullptr) {
    m_label = new QLabel(QStringLiteral("This is the default message, it should never be visible"));
    m_label->setObjectName(QStringLiteral("lblMessage"));
    // Only catalog texts are shown, never markup.
    m_label->setTextFormat(Qt::PlainText);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(m_label);
    setWindowTitle(tr("Orvex"));
}

std::optional<QString> MainWindow::noticeReason(const QString& message, const QString& user) {
    if (user.isEmpty()) return std::nullopt;
    const QString suffix = QLatin1Char(' ') + user;
    if (!message.endsWith(suffix, Qt::CaseSensitive)) return std::nullopt;
    return message.left(message.size() - suffix.size());
}

void MainWindow::displayMessage(QString message) {
    const std::optional<QString> reason =
        noticeReason(message, QString::fromLocal8Bit(qgetenv("USER")));
    if (!reason) return; // another user's notice
    m_label->setText(generateDisplayMessage(*reason));
    show();
    raise();
}

QString MainWindow::generateDisplayMessage(QString message) {
    qDebug() << "display message";
    const auto has = [&message](const char* word, Qt::CaseSensitivity cs) {
        return message.contains(QLatin1String(word), cs);
    };
    if (has("Connection", Qt::CaseSensitive))
        return QObject::tr("Unable to connect to the server.") + QLatin1Char('\n') +
               QObject::tr("Printing is canceled");
    if (has("Login", Qt::CaseSensitive))
        return QObject::tr("Login failed. The user name or password you entered is incorrect.") +
               QLatin1Char('\n') + QObject::tr("Printing is canceled");
    if (has("Printer", Qt::CaseInsensitive))
        return QObject::tr("You do not have permission to print.");
    if (has("Quota", Qt::CaseInsensitive))
        return QObject::tr("This job will be canceled because you have reached one or more of "
                           "your quotas.\nContact your administrator for further information.");
    if (has("Credit", Qt::CaseInsensitive)) {
        qDebug() << "No Credit";
        return QObject::tr(
            "Not enough credit is available to print this job. Recharge your credit.");
    }

    // Restriction items always come in this order, whatever the notice's order.
    static const char* const items[] = {QT_TRANSLATE_NOOP("QObject", "Duplex"),
                                        QT_TRANSLATE_NOOP("QObject", "Color"),
                                        QT_TRANSLATE_NOOP("QObject", "Ecoprint")};
    QString lines;
    for (const char* item : items)
        if (has(item, Qt::CaseInsensitive))
            lines += QStringLiteral("- ") + QObject::tr(item) + QLatin1Char('\n');
    if (lines.isEmpty()) return QString();
    return QObject::tr("You have the following print restrictions:") + QLatin1Char('\n') + lines +
           QLatin1Char('\n') + QObject::tr("Printing is canceled");
}
