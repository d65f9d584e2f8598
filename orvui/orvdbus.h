#pragma once

#include <QObject>
#include <QString>

// The object the filters call at "/" of "com.velmora.orvui". It carries no
// "D-Bus Interface" class-info on purpose: the bus layer then names the
// interface "local.orvd.orvdbus" from the application name "orvd" and this
// class name, which is the interface the filters address.
class orvdbus : public QObject {
    Q_OBJECT

  public:
    orvdbus();

  signals:
    void messageRecieved(QString message);

  public slots:
    QString showMessage(const QString& arg);
};
