#pragma once

class QObject;

// Qt reports focus and text events for the edit inside a spin edit, an object that is not in
// the accessible tree: Orca 43 refuses such a focus and keeps the old one. Those events go
// nowhere; the spin edit reports its own focus and value.
void InstallInnerPartFilter();
// Whether an object is a part inside a control that is one object to assistive technology.
bool IsInnerPart(const QObject* object);
