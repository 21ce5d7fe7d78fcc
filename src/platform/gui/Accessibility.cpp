#include "platform/gui/Accessibility.h"

#include <QAccessible>
#include <QAccessibleWidget>
#include <QWidget>

namespace {

constexpr const char* kMainWindowProperty = "kivMainWindow";

QAccessibleInterface* mainWindowFactory(const QString&, QObject* object) {
    auto* w = qobject_cast<QWidget*>(object);
    if (w && w->isWindow() && w->property(kMainWindowProperty).toBool())
        return new QAccessibleWidget(w, QAccessible::Window);
    return nullptr;
}

} // namespace

void presentAsMainWindow(QWidget* window) {
    static const bool installed = [] {
        QAccessible::installFactory(mainWindowFactory);
        return true;
    }();
    (void)installed;
    window->setProperty(kMainWindowProperty, true);
}

void announce(QWidget* source, const QString& text) {
    if (!source || text.isEmpty())
        return;
#if QT_VERSION >= QT_VERSION_CHECK(6, 8, 0)
    QAccessibleAnnouncementEvent event(source, text);
    QAccessible::updateAccessibility(&event);
#endif
    // Before Qt 6.8 there is no announcement: a screen reader reads a changed description of the control
    // that has the focus.
    source->setAccessibleDescription(text);
    QAccessibleEvent changed(source, QAccessible::DescriptionChanged);
    QAccessible::updateAccessibility(&changed);
}
