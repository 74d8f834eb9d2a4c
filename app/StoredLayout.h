#pragma once

#include "Font.h"

#include <QString>
#include <QVariant>
#include <any>
#include <functional>
#include <map>
#include <optional>
#include <vector>

class TComponent;
class TForm;

// A window's stored description, held as data: the window's own property values, then its
// components in creation order, each with its class, name, parent, property values and the
// handlers its events are bound to by name.
struct TStoredProperty {
    const char* Name;
    QVariant Value; // in the representation the property's table entry takes
};

struct TStoredComponent {
    const char* ClassName;
    const char* Name;
    const char* Parent; // component name of the parent control; "" for the window itself;
                        // nullptr for a non-visual component
    std::vector<TStoredProperty> Properties;
    std::optional<TFont> Font{};   // own font (the control then no longer follows its parent's)
    const char* Picture = nullptr; // resource path of an image's picture
    std::vector<std::pair<const char*, const char*>> Events{}; // event name, handler name
};

struct TStoredLayout {
    const char* ClassName;
    TStoredComponent Window;
    std::vector<TStoredComponent> Components;
};

// Stored values in the representation of the property tables.
QVariant Ord(qint64 value);
QVariant Text(const char16_t* text);
QVariant Set(std::initializer_list<int> ordinals);

// The stored layouts of the program, by resource name (the class name in capitals).
std::map<QString, const TStoredLayout*>& StoredLayouts();
// The layout stored for a window class; raises EResNotFound when there is none.
const TStoredLayout& FindStoredLayout(const QString& className);

// Handlers a window offers for binding by name, each as its event's handler type
// (TNotifyEvent, TCloseEvent).
using THandlerTable = std::map<QString, std::any>;

// Builds the window's components from the layout, assigns the stored values, binds the
// events and scales to the screen. No change event reaches a handler while it runs.
void ReadStoredLayout(TForm& form, const TStoredLayout& layout, const THandlerTable& handlers);
