#pragma once

#include <QAccessible>
#include <QList>
#include <QPair>

class TControl;

// The name a labelled control takes: its label's caption as read, else the widget's own.
QString LabelledName(const TControl* control);
// The labelled-by relation of a control to the label that names it, if any.
void AddLabelRelation(const TControl* control, QAccessible::Relation match,
                      QList<QPair<QAccessibleInterface*, QAccessible::Relation>>& found);
