#include "controls/ControlAccessible.h"

#include "controls/ControlWidget.h"

namespace nimbrel {

namespace {

QAccessibleInterface* ControlFactory(const QString& className, QObject* object) {
    if (className != QLatin1String("nimbrel::ControlWidget") || !object || !object->isWidgetType()) return nullptr;
    return new ControlAccessible(static_cast<ControlWidget*>(object));
}

}  // namespace

ControlAccessible::ControlAccessible(ControlWidget* widget) : QAccessibleWidget(widget, QAccessible::Button) {}

ControlWidget* ControlAccessible::Control() const {
    return static_cast<ControlWidget*>(widget());
}

QString ControlAccessible::text(QAccessible::Text t) const {
    switch (t) {
        case QAccessible::Name:
            return Control()->AccessibleName();
        case QAccessible::Description:
            return Control()->AccessibleDescription();
        default:
            return QAccessibleWidget::text(t);
    }
}

QAccessible::State ControlAccessible::state() const {
    QAccessible::State s = QAccessibleWidget::state();
    s.focusable = true;
    return s;
}

QStringList ControlAccessible::actionNames() const {
    return QAccessibleWidget::actionNames() << pressAction();
}

void ControlAccessible::doAction(const QString& actionName) {
    if (actionName == pressAction())
        Control()->Activate();
    else
        QAccessibleWidget::doAction(actionName);
}

QStringList ControlAccessible::keyBindingsForAction(const QString& actionName) const {
    if (actionName == pressAction()) return {QStringLiteral("Return"), QStringLiteral("Space")};
    return QAccessibleWidget::keyBindingsForAction(actionName);
}

void InstallControlAccessibility() {
    static const bool installed = [] {
        QAccessible::installFactory(&ControlFactory);
        return true;
    }();
    (void)installed;
}

}  // namespace nimbrel
