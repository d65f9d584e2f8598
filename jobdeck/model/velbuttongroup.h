#pragma once

#include <QColor>
#include <QFrame>
#include <QList>
#include <QStringList>

class QAbstractButton;
class QButtonGroup;
class QGridLayout;
class QLabel;
class QPushButton;

// A row of picture buttons, exactly one selected, under a caption naming the selection.
// Buttons are identified by name (their accessible name), which equals a choice's display text.
class VelButtonGroup : public QFrame {
    Q_OBJECT
  public:
    VelButtonGroup(QWidget* parent, const QString& caption);

    virtual void setGroupEnabled(bool enabled);

    // Selects the button with this name, or the first button when none has it.
    void selectButton(const QString& name) { selectByName(name); }

    void addButton(const QString& name, const QString& iconPath);
    QString checkedButtonName() const;
    int checkedIndex() const;
    QStringList buttonNames() const;
    QAbstractButton* button(int id) const;
    int buttonCount() const { return m_buttonCount; }
    QString caption() const { return m_caption; }
    QLabel* label() const { return m_label; }

    // Label colours of the enabled or disabled look, without changing the enabled state.
    void setLabelEnabledLook(bool enabled);
    void setError(const QString& tooltip);
    void clearError();
    void setErrorMarker(bool on);

  signals:
    void buttonClicked(int index);
    void buttonClicked(QAbstractButton* button);

  public slots:
    virtual void setButton(int button_index);
    virtual void setButton(QAbstractButton* button);
    void enableButton(QAbstractButton* button, bool enabled);
    void enableButton(int index, bool enabled);
    void constructLabel();

  private slots:
    void emit_buttonClicked(QAbstractButton* button);

  private:
    void selectByName(const QString& name);
    void removeMarker();

    QString m_caption;
    QLabel* m_label;
    QGridLayout* m_layout;
    QButtonGroup* m_group;
    QList<QPushButton*> m_buttons;
    QStringList m_iconPaths;
    int m_buttonCount = 0;
    QColor m_normalLabelColour;
};
