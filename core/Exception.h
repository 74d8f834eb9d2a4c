#pragma once

#include <QByteArray>
#include <QString>
#include <exception>

// Root of the program's exception family. Every failure the program reports carries a
// message text; ClassName() names the concrete class for the last-chance report.
class Exception : public std::exception {
public:
    explicit Exception(QString message);
    ~Exception() override;

    const QString& Message() const { return FMessage; }
    virtual const char* ClassName() const { return "Exception"; }
    const char* what() const noexcept override { return FUtf8.constData(); }
    // Code address of the throw site as recorded when the object was built.
    const void* RaiseAddress() const { return FAddress; }

private:
    QString FMessage;
    QByteArray FUtf8;
    const void* FAddress = nullptr;
};

// Declares an exception class that adds nothing but its name.
#define DECLARE_EXCEPTION(Name, Base)                                                              \
    class Name : public Base {                                                                     \
    public:                                                                                        \
        using Base::Base;                                                                          \
        const char* ClassName() const override { return #Name; }                                   \
    };

DECLARE_EXCEPTION(EPropertyError, Exception)
DECLARE_EXCEPTION(EPropertyConvertError, Exception)
DECLARE_EXCEPTION(ERangeError, Exception)
DECLARE_EXCEPTION(EVariantTypeCastError, Exception)
DECLARE_EXCEPTION(EResNotFound, Exception)
DECLARE_EXCEPTION(EClassNotFound, Exception)
DECLARE_EXCEPTION(EReadError, Exception)
DECLARE_EXCEPTION(EInOutError, Exception)
DECLARE_EXCEPTION(EThread, Exception)
// Stands for a thrown object that is not of the program's exception family.
DECLARE_EXCEPTION(EExternalException, Exception)
