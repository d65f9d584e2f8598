#pragma once

#include <QFrame>
#include <QList>
#include <QStringList>

class QCheckBox;
class QGridLayout;
class QPushButton;

// A picture button with a small check box on its corner: switches a feature on or off and
// enables the widgets that hold the feature's details.
class VelCheckBoxButton : public QFrame {
    Q_OBJECT
  public:
    VelCheckBoxButton(QWidget* parent, const QString& name, const QString& iconPath);

    bool isChecked() const;
    void setChecked(bool checked);

    // `value` is the display text of the choice that means "off" for that widget, or "no_default".
    void addLinkedWidget(QWidget* widget, const QString& value);
    QList<QWidget*> linkedWidgets() const { return m_linkedWidgets; }
    QString valueFor(const QWidget* widget) const;
    // Drops the "off" items of linked combo boxes and brings the details in line with the box.
    void syncLinkedWidgets();

    QPushButton* pictureButton() const { return m_pictureButton; }
    QCheckBox* checkBox() const { return m_checkBox; }

  signals:
    void toggled(bool state);
    void toggled(int state);

  private slots:
    void emit_toggled();
    void fire_signals();
    void set_enabled(bool toggle);

  private:
    QPushButton* m_pictureButton;
    QCheckBox* m_checkBox;
    QGridLayout* m_layout;
    QList<QWidget*> m_linkedWidgets;
    QStringList m_linkedValues;
};
