#pragma once

#include <QDialog>
#include <QString>

#include <optional>

class QLabel;

// The small dialog that shows the logged-in user's notices. Closing it only
// hides it; the next notice shows it again.
class MainWindow : public QDialog {
    Q_OBJECT

  public:
    MainWindow();

    // The text shown for the reason part of a notice; empty for an unknown reason.
    QString generateDisplayMessage(QString message);

    // A notice is "<reason> <user>". Returns the reason when the notice ends in a
    // blank and exactly this user's name; nothing when it is another user's or
    // the user name is empty.
    static std::optional<QString> noticeReason(const QString& message, const QString& user);

  public slots:
    void displayMessage(QString message);

  private:
    QLabel* m_label;
};
