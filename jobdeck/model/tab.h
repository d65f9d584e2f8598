// Base of every settings page. A page binds its widgets to option keywords of
// the current model; Tab loads them from the saved settings, marks each change
// in the model, disables choices in conflict with marked ones, shows error
// markers and collects the page's settings.
#pragma once

#include <QIcon>
#include <QList>
#include <QMap>
#include <QMultiMap>
#include <QString>
#include <QWidget>

class QComboBox;
class QCheckBox;
class ComboBoxEx;
class VelButtonGroup;
class VelCheckBoxButton;
class kOption;

class Tab : public QWidget {
    Q_OBJECT

  public:
    // dialog is the main dialog; every bound widget also reaches its setConstraints() slot.
    explicit Tab(QWidget* dialog);

    virtual void setTabName() = 0;
    virtual void loadWidgets();
    virtual void fillComboBox(QComboBox* combo_box, kOption* option);
    virtual void addComboBoxItems(QComboBox* combo_box, kOption* option);
    virtual void createWidgets() = 0;
    virtual void afterLoad() {}
    virtual void connectComboBox(QComboBox* combo_box);
    virtual void connectCheckBox(QObject* check_box);
    virtual void connectSlider(QObject* slider);
    virtual void connectButtonGroup(QObject* button_group);
    virtual void setWidgetError(QObject* widget, QString tooltip, bool error);
    virtual void beforeLoad() {}
    virtual QIcon tabIcon();
    virtual QIcon constraintTabIcon();
    virtual bool isApplicable() = 0;
    virtual void reload();
    virtual QMap<QString, QString> collectSettings();
    virtual QMultiMap<QString, QString> extraSettings();
    virtual void markOptionError(QString keyword, QString value);
    virtual void clearErrors();
    virtual void beforeConstraintDisplay() {}
    virtual bool hasError();
    virtual void onPrinterChanged() {}
    virtual void markOptionFrom(int value, QObject* sender);
    virtual void markAll();
    virtual void markCustomConstraints();
    virtual void resetUnavailable() {}

    void connectAll();
    void blockAllSignals(bool block);
    // The page title; without one, an error box and "ERROR".
    QString tabName();
    void applyAvailability();
    // The main dialog clears the flag before each constraint pass.
    void clearHasError() { m_hasError = false; }

    // The keyword a widget is bound to, or "NOT_IN_HASH".
    QString keywordOf(QObject* widget) const;

  public slots:
    virtual void markOption(bool value);
    virtual void markOption(int value);
    virtual bool enableOptions();
    virtual bool enableOptionsForComboBox(ComboBoxEx* combo_box, kOption* option);
    virtual bool enableOptionsForCheckBox(QCheckBox* check_box, kOption* option);
    virtual bool enableOptionsForCheckBoxButton(VelCheckBoxButton* checkbox_button,
                                                kOption* option);
    virtual bool enableOptionsForButtonGroup(VelButtonGroup* button_group, kOption* option);

    void CheckBoxMarkConstraints();
    void CheckBoxMarkConstraintsWithSender(VelCheckBoxButton* check_button);

  protected:
    // The option of a bound keyword in the current model, or null.
    static kOption* optionFor(const QString& keyword);
    // What a widget holds for an option, as a choice keyword ("" when nothing).
    QString currentValue(QWidget* widget, kOption* option) const;

    QWidget* m_dialog;
    QString m_tabName;
    bool m_hasError = false;
    // Widgets a page's own checks found in conflict (key and value are the same widget).
    QMap<QWidget*, QWidget*> m_customConstraints;
    QMap<QString, QWidget*> m_optionWidgets;
    QMap<QString, QWidget*> m_captionWidgets;
    QMultiMap<QString, QWidget*> m_companionWidgets;
    QList<VelCheckBoxButton*> m_checkBoxButtons;
    QMap<QString, QString> m_settings;
};
