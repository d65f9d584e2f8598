#include "orvdbus.h"

#include <QDebug>

orvdbus::orvdbus() : QObject(nullptr) {}

QString orvdbus::showMessage(const QString& arg) {
    qDebug() << "showMessage" << arg;
    emit messageRecieved(arg);
    return QStringLiteral("ping(\"%1\") got called").arg(arg);
}
