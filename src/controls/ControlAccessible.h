#pragma once
// What a screen reader finds of a hosted control. Qt's default interface
// for a plain widget is a nameless filler; a control's surface is a picture
// that says nothing to one. This interface gives the host's sentences as
// the control's name and description, says it can be focused and pressed,
// and presses it as Enter does.
#include <QAccessibleWidget>

namespace nimbrel {

class ControlWidget;

class ControlAccessible : public QAccessibleWidget {
public:
    explicit ControlAccessible(ControlWidget* widget);

    QString text(QAccessible::Text t) const override;
    QAccessible::State state() const override;
    QStringList actionNames() const override;
    void doAction(const QString& actionName) override;
    QStringList keyBindingsForAction(const QString& actionName) const override;

private:
    ControlWidget* Control() const;
};

// Installs the factory that gives every ControlWidget this interface; once
// a process, before the first one is made.
void InstallControlAccessibility();

}  // namespace nimbrel
