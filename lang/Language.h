#pragma once

#include "XmlDocument.h"

#include <QString>
#include <memory>

class TComboBox;
class TControl;
class TWinControl;

// The translation engine: loads a language file, writes its texts into the application's
// windows and their controls by component and property name, and answers text constants.
class TLanguage {
public:
    TLanguage();
    ~TLanguage();
    TLanguage(const TLanguage&) = delete;
    TLanguage& operator=(const TLanguage&) = delete;

    // A name starting with '\' is taken from the program's directory, any other name from
    // the current working directory. A missing file is reported in the plain message box and
    // changes nothing. Errors from reading the file leave the previous document in place;
    // errors from applying it propagate with the new document already stored.
    void LoadLanguage(const QString& fileName);
    // The "text" of the key's element in the first "const" element, or the default.
    QString GetConstText(const QString& key, const QString& def) const;

    void ApplyForms(const TXmlNode* forms);
    void ApplyToControl(TControl* control, const TXmlNode* node);
    void FillComboItems(TComboBox* combo, const TXmlNode* node);

private:
    std::shared_ptr<const TXmlDocument> FDocument;
};

// The first direct child control of that exact name, or nullptr.
TControl* FindChildControl(TWinControl* parent, const QString& name);

extern TLanguage* Language;

// Creates and destroys the one engine; the program's start-up and shutdown call these.
void InitLanguageUnit();
void FinalizeLanguageUnit();
